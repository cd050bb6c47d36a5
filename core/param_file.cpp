#include "param_file.h"

#include <cstring>

#include "safe_save.h"

int writeParamFile(WindowRef owner, const char* path, const ViewParams& params)
{
    const FileBlock block = {&params, sizeof params};
    return saveFileSafely(owner, path, &block, 1);
}

int readParamFile(WindowRef owner, const char* path, ViewParams& params)
{
    FileRef file = 0;
    ErrorCode error = platform.openForReading(path, &file);
    if (error) {
        platform.reportError(owner, error);
        return 0;
    }
    // Read into a buffer first, so that a failed read cannot leave a half-changed record.
    unsigned char image[sizeof(ViewParams)];
    std::uint32_t done = 0;
    error = platform.readFile(file, image, sizeof image, &done);
    if (error) {
        platform.reportError(owner, error);
        platform.closeFile(file);
        return 0;
    }
    platform.closeFile(file);
    std::memcpy(&params, image, done < sizeof image ? done : sizeof image);
    return 1;
}
