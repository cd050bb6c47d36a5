#include "safe_save.h"

namespace {

struct Blocks {
    const FileBlock* blocks;
    int count;
};

void writeBlocks(SaveWriter& writer, const void* context)
{
    const Blocks& list = *static_cast<const Blocks*>(context);
    for (int i = 0; i < list.count; ++i) writePiece(writer, list.blocks[i].data, list.blocks[i].size);
}

}  // namespace

void writePiece(SaveWriter& writer, const void* data, std::uint32_t size)
{
    if (writer.error) return;
    std::uint32_t done = 0;
    writer.error = platform.writeFile(writer.file, data, size, &done);
    if (!writer.error && done != size) writer.error = platform.diskFull;
}

int saveFileWith(WindowRef owner, const char* path, ContentWriter write, const void* context)
{
    char tempPath[kMaxPath] = {};
    SaveWriter writer = {0, 0};
    // The target is checked first, so that the user sees why it cannot be replaced (held
    // open, read-only, a device, a missing folder) before anything is written.
    ErrorCode error = platform.checkSaveTarget(path);
    if (!error) error = platform.createTempBeside(path, tempPath, &writer.file);
    if (error) {
        platform.reportError(owner, error);
        return 0;
    }
    write(writer, context);
    platform.closeFile(writer.file);
    error = writer.error;
    if (!error) error = platform.replaceFile(tempPath, path);
    if (error) {
        // The code was taken before the clean-up, which may change the system's last error.
        platform.removeFile(tempPath);
        platform.reportError(owner, error);
        return 0;
    }
    return 1;
}

int saveFileSafely(WindowRef owner, const char* path, const FileBlock* blocks, int count)
{
    const Blocks list = {blocks, count};
    return saveFileWith(owner, path, writeBlocks, &list);
}
