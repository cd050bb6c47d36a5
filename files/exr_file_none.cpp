// The Windows build: Debian has no OpenEXR library built for mingw-w64, so it writes no
// OpenEXR files and says so.
#include "files/exr_file.h"

int exrSupported()
{
    return 0;
}

int writeExrFile(const char* path, const DeepView&, const FrameBuffer&, const IterationMap&, std::string& message)
{
    message = std::string("cannot write '") + path + "': this build writes no OpenEXR files";
    return 0;
}
