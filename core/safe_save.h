// Saving a file so that a failure never destroys the file that was there: the blocks go into a
// new file beside the target, which replaces the target only after every write succeeded.
#pragma once

#include <cstdint>

#include "platform.h"

struct FileBlock {
    const void* data;
    std::uint32_t size;
};

// Writes the blocks, one write request each, and puts the result in place of path. A request
// that writes fewer bytes than asked is a failure. On any failure the temporary file is
// removed, the old file stays as it was, the error of the step that failed is reported for
// owner, and the result is 0; on success 1.
int saveFileSafely(WindowRef owner, const char* path, const FileBlock* blocks, int count);
