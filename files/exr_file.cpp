#include "files/exr_file.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

#include <Imath/half.h>
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfOutputFile.h>
#include <OpenEXR/ImfStringAttribute.h>

#include "files/view_text_file.h"
#include "platform/system.h"

namespace {

// An sRGB byte as linear light, as OpenEXR's readers take R, G and B.
float linearOf(std::uint8_t byte)
{
    const float v = byte / 255.0f;
    return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

struct Channels {
    std::vector<std::uint32_t> counts;  // top row first, as OpenEXR's scan lines go
    std::vector<float> fractions;
    std::vector<half> colours[3];       // R, G, B
};

void fillChannels(const FrameBuffer& frame, const IterationMap& map, Channels& channels)
{
    const std::size_t pixels = std::size_t(frame.width) * std::size_t(frame.height);
    channels.counts.resize(pixels);
    channels.fractions.resize(pixels);
    for (std::vector<half>& colour : channels.colours) colour.resize(pixels);
    for (std::int32_t r = 0; r < frame.height; ++r) {
        const std::size_t from = std::size_t(r) * frame.width, to = std::size_t(frame.height - 1 - r) * frame.width;
        for (std::int32_t x = 0; x < frame.width; ++x) {
            channels.counts[to + x] = map.counts[from + x];
            channels.fractions[to + x] = map.fractions ? map.fractions[from + x] : 0.0f;
            const std::uint8_t* bgr = frame.bits + (from + x) * kBytesPerPixel;
            for (int c = 0; c < 3; ++c) channels.colours[c][to + x] = half(linearOf(bgr[2 - c]));
        }
    }
}

// The OpenEXR library reports failures by exceptions; this is where they end.
int writeChannels(const char* path, const DeepView& view, std::int32_t width, std::int32_t height, Channels& channels,
                  std::string& failure)
{
    try {
        Imf::Header header(width, height);
        header.channels().insert("N", Imf::Channel(Imf::UINT));
        header.channels().insert("NF", Imf::Channel(Imf::FLOAT));
        const char* const names[3] = {"R", "G", "B"};
        for (const char* name : names) header.channels().insert(name, Imf::Channel(Imf::HALF));
        for (int field = 0; field < kDeepFieldCount; ++field) {
            header.insert(kDeepFieldNames[field], Imf::StringAttribute(deepFieldText(view, DeepField(field))));
        }
        header.insert("view", Imf::StringAttribute(viewText(view)));
        Imf::FrameBuffer buffer;
        const std::size_t row = std::size_t(width);
        buffer.insert("N", Imf::Slice(Imf::UINT, reinterpret_cast<char*>(channels.counts.data()), sizeof(std::uint32_t),
                                      sizeof(std::uint32_t) * row));
        buffer.insert("NF", Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(channels.fractions.data()), sizeof(float),
                                       sizeof(float) * row));
        for (int c = 0; c < 3; ++c) {
            buffer.insert(names[c], Imf::Slice(Imf::HALF, reinterpret_cast<char*>(channels.colours[c].data()),
                                               sizeof(half), sizeof(half) * row));
        }
        Imf::OutputFile file(path, header);
        file.setFrameBuffer(buffer);
        file.writePixels(height);
        return 1;
    } catch (const std::exception& e) {
        failure = e.what();
        return 0;
    }
}

}  // namespace

int exrSupported()
{
    return 1;
}

int writeExrFile(const char* path, const DeepView& view, const FrameBuffer& frame, const IterationMap& map,
                 std::string& message)
{
    FailureNote note = {"write", path, ""};
    char tempPath[kMaxPath];
    FileRef file = 0;
    ErrorCode error = platform.checkSaveTarget(path);
    if (!error) error = platform.createTempBeside(path, tempPath, &file);
    if (error) {
        platform.reportError(ownerOf(note), error);
        message = note.text;
        return 0;
    }
    platform.closeFile(file);
    Channels channels;
    std::string failure;
    fillChannels(frame, map, channels);
    if (!writeChannels(tempPath, view, frame.width, frame.height, channels, failure)) {
        platform.removeFile(tempPath);
        message = std::string("cannot write '") + path + "': " + failure;
        return 0;
    }
    error = platform.replaceFile(tempPath, path);
    if (!error) return 1;
    platform.removeFile(tempPath);
    platform.reportError(ownerOf(note), error);
    message = note.text;
    return 0;
}
