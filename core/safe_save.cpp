#include "safe_save.h"

namespace {

ErrorCode writeBlocks(FileRef file, const FileBlock* blocks, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t done = 0;
        if (ErrorCode error = platform.writeFile(file, blocks[i].data, blocks[i].size, &done)) {
            return error;
        }
        // A request that wrote less without failing found no room for the rest.
        if (done != blocks[i].size) return platform.diskFull;
    }
    return 0;
}

}  // namespace

int saveFileSafely(WindowRef owner, const char* path, const FileBlock* blocks, int count)
{
    char tempPath[kMaxPath] = {};
    FileRef file = 0;
    // The target is checked first, so that the user sees why it cannot be replaced (held
    // open, read-only, a device, a missing folder) before anything is written.
    ErrorCode error = platform.checkSaveTarget(path);
    if (!error) error = platform.createTempBeside(path, tempPath, &file);
    if (error) {
        platform.reportError(owner, error);
        return 0;
    }
    error = writeBlocks(file, blocks, count);
    platform.closeFile(file);
    if (!error) {
        error = platform.replaceFile(tempPath, path);
    }
    if (error) {
        // The code was taken before the clean-up, which may change the system's last error.
        platform.removeFile(tempPath);
        platform.reportError(owner, error);
        return 0;
    }
    return 1;
}
