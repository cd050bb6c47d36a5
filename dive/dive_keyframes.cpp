#include "dive/dive_keyframes.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "core/bitmap_file.h"
#include "platform/own_files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "platform/temp_leftovers.h"

namespace {

constexpr char kManifestName[] = "manifest.txt";

// The stamp and checksum sit in header fields that readers of bitmaps ignore: the file
// header's two reserved words and the resolution in pixels per metre.
constexpr std::size_t kStampOffset = offsetof(BitmapFileHeader, bfReserved1);
constexpr std::size_t kChecksumOffset = sizeof(BitmapFileHeader) + offsetof(BitmapInfoHeader, biXPelsPerMeter);
static_assert(offsetof(BitmapFileHeader, bfReserved2) == kStampOffset + 2, "the stamp's 4 bytes are together");
static_assert(offsetof(BitmapInfoHeader, biYPelsPerMeter) == offsetof(BitmapInfoHeader, biXPelsPerMeter) + 4,
              "the checksum's 8 bytes are together");

int pathIn(const KeyframeFolder& folder, const char* name, char (&path)[kMaxPath])
{
    const int length = std::snprintf(path, sizeof path, "%s/%s", folder.path, name);
    return length > 0 && length < int(sizeof path);
}

// FNV-1a, 32 bits for the manifest and 64 for pixels: any change of a byte changes them.
std::uint32_t hash32(const std::string& text)
{
    std::uint32_t h = 2166136261u;
    for (const char c : text) h = (h ^ std::uint8_t(c)) * 16777619u;
    return h;
}

void addToChecksum(std::uint64_t& sum, const std::uint8_t* bytes, std::size_t count)
{
    std::uint64_t h = sum;
    for (std::size_t i = 0; i < count; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    sum = h;
}

constexpr std::uint64_t kChecksumStart = 14695981039346656037ull;

std::uint32_t paddedRow(std::int32_t width)
{
    return (std::uint32_t(width) * kBytesPerPixel + 3) / 4 * 4;
}

struct BitmapHead {
    std::uint8_t bytes[kBitmapHeaderBytes];
};

// The header of a keyframe of the folder, with its stamp and the checksum given.
BitmapHead headOf(const KeyframeFolder& folder, std::uint64_t checksum)
{
    BitmapFileHeader file;
    std::memset(&file, 0, sizeof file);
    file.bfType = 0x4D42;
    file.bfSize = std::uint32_t(keyframeFileBytes(folder.width, folder.height));
    file.bfOffBits = kBitmapHeaderBytes;
    BitmapInfo info;
    describeFrameBuffer(info, folder.width, folder.height);
    BitmapHead head;
    std::memcpy(head.bytes, &file, sizeof file);
    std::memcpy(head.bytes + sizeof file, &info, sizeof info);
    std::memcpy(head.bytes + kStampOffset, &folder.stamp, 4);
    std::memcpy(head.bytes + kChecksumOffset, &checksum, 8);
    return head;
}

// Reads all of file (up to limit bytes, one more than any expected content) into text.
int readOwnFile(const char* path, std::string& text, std::size_t limit, ErrorCode& error)
{
    FileRef file = 0;
    if ((error = openOwnFile(path, &file)) != 0) return 0;
    text.assign(limit, '\0');
    std::uint32_t count = 0;
    error = platform.readFile(file, &text[0], std::uint32_t(limit), &count);
    platform.closeFile(file);
    text.resize(count);
    return !error;
}

std::string failure(const char* action, const char* path, ErrorCode error)
{
    FailureNote note = {action, path, ""};
    platform.reportError(ownerOf(note), error);
    return note.text;
}

// Writes manifest into a file of that name made here and now; 0 when another has the name.
int createManifest(const char* path, const std::string& manifest, ErrorCode& error)
{
    FileRef file = 0;
    if ((error = createOwnFile(path, &file)) != 0) return 0;
    std::uint32_t count = 0;
    error = platform.writeFile(file, manifest.data(), std::uint32_t(manifest.size()), &count);
    if (!error && count != manifest.size()) error = platform.diskFull;
    platform.closeFile(file);
    if (error) platform.removeFile(path);
    return !error;
}

}  // namespace

std::uint64_t keyframeFileBytes(std::int32_t width, std::int32_t height)
{
    return kBitmapHeaderBytes + std::uint64_t(paddedRow(width)) * std::uint64_t(height);
}

int describeKeyframeFolder(KeyframeFolder& folder, const char* outputPath, std::int32_t width, std::int32_t height,
                           const std::string& manifest)
{
    folder.width = width;
    folder.height = height;
    folder.stamp = hash32(manifest);
    const int length = std::snprintf(folder.path, sizeof folder.path, "%s.keyframes", outputPath);
    char manifestPath[kMaxPath];
    if (length > 0 && length < int(sizeof folder.path) && pathIn(folder, kManifestName, manifestPath)) return 1;
    folder.path[0] = '\0';
    return 0;
}

int folderHoldsManifest(const KeyframeFolder& folder, const std::string& manifest)
{
    char manifestPath[kMaxPath];
    std::string existing;
    ErrorCode error = 0;
    return pathIn(folder, kManifestName, manifestPath) &&
           readOwnFile(manifestPath, existing, manifest.size() + 1, error) && existing == manifest;
}

int keyframeOnDisk(const KeyframeFolder& folder, std::int32_t keyframe)
{
    char path[kMaxPath];
    FileRef file = 0;
    if (!keyframePath(folder, keyframe, path) || openOwnFile(path, &file)) return 0;
    BitmapHead head, expected = headOf(folder, 0);
    std::uint32_t count = 0;
    const int read = !platform.readFile(file, &head, sizeof head, &count) && count == sizeof head;
    platform.closeFile(file);
    std::memset(head.bytes + kChecksumOffset, 0, 8);
    return read && !std::memcmp(&head, &expected, sizeof head);
}

FolderState openKeyframeFolder(KeyframeFolder& folder, const char* outputPath, std::int32_t width,
                               std::int32_t height, const std::string& manifest, std::string& message)
{
    char manifestPath[kMaxPath];
    if (!describeKeyframeFolder(folder, outputPath, width, height, manifest) ||
        !pathIn(folder, kManifestName, manifestPath)) {
        message = std::string("the path '") + outputPath + ".keyframes' is too long";
        return FolderState::failed;
    }
    if (const ErrorCode error = makeFolder(folder.path)) {
        message = failure("make the folder", folder.path, error);
        return FolderState::failed;
    }
    ErrorCode error = 0;
    if (!createManifest(manifestPath, manifest, error) && !nameTaken(error)) {
        message = failure("write", manifestPath, error);
        return FolderState::failed;
    }
    // Read back, the one there or the one just written. A dive started at the same moment may
    // not have written all of its manifest yet: a beginning of this one is read again.
    std::string existing;
    for (int tries = 0; tries < 50; ++tries) {
        if (!readOwnFile(manifestPath, existing, manifest.size() + 1, error)) {
            message = failure("read", manifestPath, error);
            return FolderState::failed;
        }
        if (existing.size() >= manifest.size() || manifest.compare(0, existing.size(), existing) != 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return existing == manifest ? FolderState::ready : FolderState::otherDive;
}

int keyframePath(const KeyframeFolder& folder, std::int32_t keyframe, char (&path)[kMaxPath])
{
    char name[32];
    std::snprintf(name, sizeof name, "key-%05ld.bmp", long(keyframe));
    return pathIn(folder, name, path);
}

int readKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame)
{
    char path[kMaxPath];
    FileRef file = 0;
    if (!keyframePath(folder, keyframe, path) || openOwnFile(path, &file)) return 0;
    BitmapHead head, expected = headOf(folder, 0);
    std::uint32_t count = 0;
    int complete = !platform.readFile(file, &head, sizeof head, &count) && count == sizeof head;
    std::uint64_t stored = 0;
    std::memcpy(&stored, head.bytes + kChecksumOffset, 8);
    std::memset(head.bytes + kChecksumOffset, 0, 8);
    complete = complete && !std::memcmp(&head, &expected, sizeof head);
    const std::uint32_t pixelBytes = std::uint32_t(folder.width) * kBytesPerPixel;
    const std::uint32_t padding = paddedRow(folder.width) - pixelBytes;
    std::uint8_t rest[4];
    std::uint64_t sum = kChecksumStart;
    for (std::int32_t r = 0; r < folder.height && complete; ++r) {
        std::uint8_t* row = frame.bits + std::size_t(r) * pixelBytes;
        complete = !platform.readFile(file, row, pixelBytes, &count) && count == pixelBytes &&
                   !platform.readFile(file, rest, padding, &count) && count == padding;
        addToChecksum(sum, row, pixelBytes);
    }
    // Nothing may follow the last row.
    complete = complete && !platform.readFile(file, rest, 1, &count) && count == 0 && sum == stored;
    platform.closeFile(file);
    return complete;
}

int writeKeyframe(const KeyframeFolder& folder, std::int32_t keyframe, const FrameBuffer& frame,
                  const std::atomic<int>& stop, std::string& message)
{
    char path[kMaxPath], temp[kMaxPath + 32];
    if (!keyframePath(folder, keyframe, path)) {
        message = "the path of keyframe " + std::to_string(keyframe) + " in '" + folder.path + "' is too long";
        return 0;
    }
    const std::uint32_t pixelBytes = std::uint32_t(frame.width) * kBytesPerPixel;
    std::uint64_t sum = kChecksumStart;
    for (std::int32_t r = 0; r < frame.height; ++r) addToChecksum(sum, frame.bits + std::size_t(r) * pixelBytes, pixelBytes);
    // Jobs writing the same keyframe at once each take a name of their own: first the one of
    // this host and process, whose leftovers after kill -9 a rerun removes, else one of the moment.
    const auto ticks = std::uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
    const int folderLength = int(std::strlen(folder.path)) + 1;
    FileRef file = 0;
    ErrorCode error = 0;
    for (std::uint32_t i = 0; i < 100; ++i) {
        if (i > 0 || !prepareOwnTemp(path, folderLength, temp)) {
            std::snprintf(temp, sizeof temp, "%s.%08lx.tmp", path, static_cast<unsigned long>(ticks * 2654435761u + i));
        }
        if (!nameTaken(error = createOwnFile(temp, &file))) break;
    }
    if (error) {
        message = failure("write", temp, error);
        return 0;
    }
    const BitmapHead head = headOf(folder, sum);
    std::vector<std::uint8_t> row(paddedRow(frame.width), 0);
    std::uint32_t count = 0;
    error = platform.writeFile(file, &head, sizeof head, &count);
    if (!error && count != sizeof head) error = platform.diskFull;
    for (std::int32_t r = 0; r < frame.height && !error && !stop.load(); ++r) {
        std::memcpy(row.data(), frame.bits + std::size_t(r) * pixelBytes, pixelBytes);
        error = platform.writeFile(file, row.data(), std::uint32_t(row.size()), &count);
        if (!error && count != row.size()) error = platform.diskFull;
    }
    platform.closeFile(file);
    const int stopped = stop.load();
    if (!error && !stopped) error = renameOwnFile(temp, path);
    if (!error && !stopped) return 1;
    platform.removeFile(temp);
    if (error) message = failure("write", path, error);
    return 0;
}
