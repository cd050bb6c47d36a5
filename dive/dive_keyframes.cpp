#include "dive/dive_keyframes.h"

#include <cstdio>
#include <cstring>

#include "core/bitmap_file.h"
#include "core/safe_save.h"
#include "files/picture_files.h"
#include "platform/process.h"
#include "platform/system.h"

namespace {

constexpr char kManifestName[] = "manifest.txt";

int pathIn(const KeyframeFolder& folder, const char* name, char (&path)[kMaxPath])
{
    const int length = std::snprintf(path, sizeof path, "%s/%s", folder.path, name);
    return length > 0 && length < int(sizeof path);
}

// Up to size bytes of the file at path; 0 when it cannot be opened, else 1 with the count.
int readStart(const char* path, void* bytes, std::uint32_t size, std::uint32_t& count)
{
    FileRef file = 0;
    if (platform.openForReading(path, &file)) return 0;
    const ErrorCode error = platform.readFile(file, bytes, size, &count);
    platform.closeFile(file);
    return !error;
}

std::uint32_t paddedRow(const KeyframeFolder& folder)
{
    return (std::uint32_t(folder.width) * kBytesPerPixel + 3) / 4 * 4;
}

// The 58 bytes that start the bitmap of a frame of the folder's size, as the save writes them.
struct BitmapHead {
    std::uint8_t bytes[kBitmapHeaderBytes];
};

BitmapHead headOf(const KeyframeFolder& folder, BitmapInfo& info)
{
    BitmapFileHeader file;
    std::memset(&file, 0, sizeof file);
    file.bfType = 0x4D42;
    file.bfSize = kBitmapHeaderBytes + paddedRow(folder) * std::uint32_t(folder.height);
    file.bfOffBits = kBitmapHeaderBytes;
    describeFrameBuffer(info, folder.width, folder.height);
    BitmapHead head;
    std::memcpy(head.bytes, &file, sizeof file);
    std::memcpy(head.bytes + sizeof file, &info, sizeof info);
    return head;
}

// Opens keyframe k when its file starts with the header of the folder's size.
int openKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, FileRef& file)
{
    char path[kMaxPath];
    if (!keyframePath(folder, keyframe, path) || platform.openForReading(path, &file)) return 0;
    BitmapInfo info;
    const BitmapHead expected = headOf(folder, info);
    BitmapHead head;
    std::uint32_t count = 0;
    if (!platform.readFile(file, &head, sizeof head, &count) && count == sizeof head &&
        !std::memcmp(&head, &expected, sizeof head)) {
        return 1;
    }
    platform.closeFile(file);
    return 0;
}

}  // namespace

FolderState openKeyframeFolder(KeyframeFolder& folder, const char* outputPath, std::int32_t width,
                               std::int32_t height, const std::string& manifest, std::string& message)
{
    folder.width = width;
    folder.height = height;
    const int length = std::snprintf(folder.path, sizeof folder.path, "%s.keyframes", outputPath);
    char manifestPath[kMaxPath];
    if (length <= 0 || length >= int(sizeof folder.path) || !pathIn(folder, kManifestName, manifestPath)) {
        folder.path[0] = '\0';
        message = std::string("the path '") + outputPath + ".keyframes' is too long";
        return FolderState::failed;
    }
    if (const ErrorCode error = makeFolder(folder.path)) {
        FailureNote note = {"make the folder", folder.path, ""};
        platform.reportError(ownerOf(note), error);
        message = note.text;
        return FolderState::failed;
    }
    // One byte more than this manifest: a longer one differs.
    std::string existing(manifest.size() + 1, '\0');
    std::uint32_t count = 0;
    if (readStart(manifestPath, &existing[0], std::uint32_t(existing.size()), count)) {
        existing.resize(count);
        return existing == manifest ? FolderState::ready : FolderState::otherDive;
    }
    const FileBlock block = {manifest.data(), std::uint32_t(manifest.size())};
    FailureNote note = {"write", manifestPath, ""};
    const int saved = saveFileSafely(ownerOf(note), manifestPath, &block, 1);
    message = note.text;
    return saved ? FolderState::ready : FolderState::failed;
}

int keyframePath(const KeyframeFolder& folder, std::int32_t keyframe, char (&path)[kMaxPath])
{
    char name[32];
    std::snprintf(name, sizeof name, "key-%05ld.bmp", long(keyframe));
    return pathIn(folder, name, path);
}

int haveKeyframe(const KeyframeFolder& folder, std::int32_t keyframe)
{
    FileRef file = 0;
    if (!openKeyframe(folder, keyframe, file)) return 0;
    platform.closeFile(file);
    return 1;
}

int readKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame)
{
    FileRef file = 0;
    if (!openKeyframe(folder, keyframe, file)) return 0;
    const std::uint32_t pixelBytes = std::uint32_t(folder.width) * kBytesPerPixel;
    const std::uint32_t padding = paddedRow(folder) - pixelBytes;
    std::uint8_t rest[4];
    std::uint32_t count = 0;
    int complete = 1;
    for (std::int32_t r = 0; r < folder.height && complete; ++r) {
        complete = !platform.readFile(file, frame.bits + std::size_t(r) * pixelBytes, pixelBytes, &count) &&
                   count == pixelBytes && !platform.readFile(file, rest, padding, &count) && count == padding;
    }
    // Nothing may follow the last row.
    complete = complete && !platform.readFile(file, rest, 1, &count) && count == 0;
    platform.closeFile(file);
    return complete;
}

int writeKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame,
                  const std::atomic<int>& stop, std::string& message)
{
    char path[kMaxPath];
    if (!keyframePath(folder, keyframe, path)) {
        message = "the path of keyframe " + std::to_string(keyframe) + " in '" + folder.path + "' is too long";
        return 0;
    }
    return saveBmp(path, frame, stop, message) == SaveResult::saved;
}
