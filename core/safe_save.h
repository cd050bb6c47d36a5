// Saving a file so that a failure never destroys the file that was there: the contents go into
// a new file beside the target, which replaces the target only after every write succeeded.
#pragma once

#include <cstdint>

#include "platform.h"

// The new file while its contents are written: pieces go in with writePiece, and the first
// failure is kept and ends the writing. A writer that fails for a reason of its own (no memory,
// cancelled) sets error itself.
struct SaveWriter {
    FileRef file;
    ErrorCode error;
};

// Writes one piece in one write request, unless an earlier piece failed. A request that writes
// fewer bytes than asked found no room for the rest: it fails with the disk-full code.
void writePiece(SaveWriter& writer, const void* data, std::uint32_t size);

using ContentWriter = void (*)(SaveWriter& writer, const void* context);

// Writes the contents through write(writer, context) and puts the result in place of path. On
// any failure the temporary file is removed, the old file stays as it was, the error of the
// step that failed is reported for owner, and the result is 0; on success 1.
int saveFileWith(WindowRef owner, const char* path, ContentWriter write, const void* context);

struct FileBlock {
    const void* data;
    std::uint32_t size;
};

// saveFileWith for contents given as blocks, one write request each.
int saveFileSafely(WindowRef owner, const char* path, const FileBlock* blocks, int count);
