#include "files/location_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/safe_save.h"
#include "files/file_names.h"
#include "files/refusal.h"
#include "files/view_fields.h"
#include "files/view_text_file.h"
#include "platform/system.h"

namespace {

enum LocationKey { kRe, kIm, kZoom, kIterations, kKeyCount };
const char* const kKeyNames[kKeyCount] = {"Re", "Im", "Zoom", "Iterations"};

int isText(const char* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (!((c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n')) return 0;
    }
    return 1;
}

std::string trimmed(const char* begin, const char* end)
{
    while (begin != end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end != begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
    return std::string(begin, end);
}

// factor x magnification, the mantissa kept in [1, 2).
Magnification scaled(const Magnification& magnification, double factor)
{
    int exponent = 0;
    const double mantissa = std::frexp(magnification.mantissa * factor, &exponent);
    return Magnification{mantissa * 2.0, magnification.exponent + exponent - 1};
}

// Kalles Fraktaler's zoom of a picture width x height into view's magnification.
int setZoom(DeepView& view, const std::string& text, std::int32_t width, std::int32_t height,
            std::string& error)
{
    Magnification zoom;
    if (!parseMagnification(text.c_str(), zoom) || !(zoom.mantissa > 0)) {
        return refuse(error, "bad Zoom '%s': give a decimal number above 0", shownText(text.c_str()).c_str());
    }
    const Magnification magnification = scaled(zoom, 1.5 * height / width);
    DeepView checked = view;
    if (!setDeepField(checked, kMagnificationField, formatMagnification(magnification).c_str(), error)) return 0;
    view.magnification = magnification;
    return 1;
}

int setKey(DeepView& view, int key, const std::string& value, std::int32_t width, std::int32_t height,
           std::string& error)
{
    if (key == kZoom) return setZoom(view, value, width, height, error);
    const DeepField field = key == kRe ? kCenterX : key == kIm ? kCenterY : kLimit;
    std::string reason;
    if (setDeepField(view, field, value.c_str(), reason)) return 1;
    // The reason names our field; the file's key is what its reader knows.
    const std::size_t quote = reason.find('\'');
    return refuse(error, "bad %s %s", kKeyNames[key], quote == reason.npos ? reason.c_str() : reason.c_str() + quote);
}

}  // namespace

int isLocationFileName(const char* path)
{
    return nameEndsWith(path, ".kfr");
}

int parseLocationText(const char* text, std::size_t size, std::int32_t width, std::int32_t height, DeepView& view,
                      std::string& error)
{
    if (!isText(text, size)) return refuse(error, "holds bytes that are not text");
    std::string values[kKeyCount];
    int found[kKeyCount] = {};
    int lineNumber = 1;
    for (const char* line = text; line < text + size; ++lineNumber) {
        const char* end = static_cast<const char*>(std::memchr(line, '\n', std::size_t(text + size - line)));
        if (!end) end = text + size;
        const std::string whole = trimmed(line, end);
        const std::size_t colon = whole.find(':');
        if (!whole.empty() && colon == whole.npos) return refuse(error, "line %d: give Key: value", lineNumber);
        const std::string key = whole.substr(0, colon == whole.npos ? 0 : colon);
        for (int k = 0; k < kKeyCount; ++k) {
            if (key != kKeyNames[k]) continue;
            values[k] = trimmed(whole.data() + colon + 1, whole.data() + whole.size());
            found[k] = lineNumber;
        }
        line = end + 1;
    }
    DeepView parsed = view;
    for (int k = 0; k < kKeyCount; ++k) {
        if (!found[k]) return refuse(error, "no %s: a location needs Re, Im, Zoom and Iterations", kKeyNames[k]);
        std::string reason;
        if (!setKey(parsed, k, values[k], width, height, reason)) {
            return refuse(error, "line %d: %s", found[k], reason.c_str());
        }
    }
    view = parsed;
    return 1;
}

std::string locationText(const DeepView& view, std::int32_t width, std::int32_t height)
{
    const Magnification zoom = scaled(view.magnification, width / (1.5 * height));
    return "Re: " + view.centerX + "\r\nIm: " + view.centerY + "\r\nZoom: " + formatMagnification(zoom) +
           "\r\nIterations: " + std::to_string(view.maxIterations) + "\r\n";
}

int readLocationFile(const char* path, std::int32_t width, std::int32_t height, DeepView& view, std::string& error)
{
    std::string bytes;
    if (!readViewFileBytes(path, bytes, error)) return 0;
    std::string reason = "is too large for a location file";
    if (bytes.size() <= kMaxViewFileSize &&
        parseLocationText(bytes.data(), bytes.size(), width, height, view, reason)) {
        return 1;
    }
    return refuse(error, "'%s', %s", path, reason.c_str());
}

int writeLocationFile(const char* path, const DeepView& view, std::int32_t width, std::int32_t height,
                      std::string& message)
{
    const std::string text = locationText(view, width, height);
    const FileBlock block = {text.data(), std::uint32_t(text.size())};
    FailureNote note = {"write", path, ""};
    const int saved = saveFileSafely(ownerOf(note), path, &block, 1);
    message = note.text;
    return saved;
}
