#include "location_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/safe_save.h"
#include "render_cli/options.h"
#include "render_cli/refusal.h"

namespace {

// A location file of a deep place holds its centre in a few kilobytes; ours may be longer.
constexpr std::uint32_t kMaxLocationFileSize = 1 << 20;

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
            char (&error)[kViewErrorSize])
{
    Magnification zoom;
    if (!parseMagnification(text.c_str(), zoom) || !(zoom.mantissa > 0)) {
        return refuse(error, sizeof error, "bad Zoom '%.40s': give a decimal number above 0", text.c_str());
    }
    const Magnification magnification = scaled(zoom, 1.5 * height / width);
    DeepView checked = view;
    if (!setDeepField(checked, kMagnificationField, formatMagnification(magnification).c_str(), error)) return 0;
    view.magnification = magnification;
    return 1;
}

int setKey(DeepView& view, int key, const std::string& value, std::int32_t width, std::int32_t height,
           char (&error)[kViewErrorSize])
{
    if (key == kZoom) return setZoom(view, value, width, height, error);
    const DeepField field = key == kRe ? kCenterX : key == kIm ? kCenterY : kLimit;
    char reason[kViewErrorSize];
    if (setDeepField(view, field, value.c_str(), reason)) return 1;
    // The reason names our field; the file's key is what its reader knows.
    const char* after = std::strchr(reason, '\'');
    return refuse(error, sizeof error, "bad %s %.150s", kKeyNames[key], after ? after : reason);
}

int readBytes(WindowRef owner, const char* path, std::string& bytes)
{
    FileRef file = 0;
    ErrorCode error = platform.openForReading(path, &file);
    if (!error) {
        bytes.resize(kMaxLocationFileSize + 1);
        std::uint32_t done = 0;
        error = platform.readFile(file, &bytes[0], kMaxLocationFileSize + 1, &done);
        bytes.resize(done);
        platform.closeFile(file);
    }
    if (error) platform.reportError(owner, error);
    return !error;
}

}  // namespace

int isLocationFileName(const char* path)
{
    return nameEndsWith(path, ".kfr");
}

int parseLocationText(const char* text, std::size_t size, std::int32_t width, std::int32_t height, DeepView& view,
                      char (&error)[kViewErrorSize])
{
    if (!isText(text, size)) return refuse(error, sizeof error, "holds bytes that are not text");
    std::string values[kKeyCount];
    int found[kKeyCount] = {};
    int lineNumber = 1;
    for (const char* line = text; line < text + size; ++lineNumber) {
        const char* end = static_cast<const char*>(std::memchr(line, '\n', std::size_t(text + size - line)));
        if (!end) end = text + size;
        const std::string whole = trimmed(line, end);
        const std::size_t colon = whole.find(':');
        if (!whole.empty() && colon == whole.npos) return refuse(error, sizeof error, "line %d: give Key: value", lineNumber);
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
        if (!found[k]) return refuse(error, sizeof error, "no %s: a location needs Re, Im, Zoom and Iterations", kKeyNames[k]);
        char reason[kViewErrorSize];
        if (!setKey(parsed, k, values[k], width, height, reason)) {
            return refuse(error, sizeof error, "line %d: %.190s", found[k], reason);
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

int readLocationFile(WindowRef owner, const char* path, std::int32_t width, std::int32_t height, DeepView& view,
                     char (&error)[kViewErrorSize])
{
    error[0] = '\0';
    std::string bytes;
    if (!readBytes(owner, path, bytes)) return 0;
    char reason[kViewErrorSize];
    if (bytes.size() > kMaxLocationFileSize) {
        std::snprintf(reason, sizeof reason, "is too large for a location file");
    } else if (parseLocationText(bytes.data(), bytes.size(), width, height, view, reason)) {
        return 1;
    }
    std::snprintf(error, sizeof error, "'%s', %.190s", path, reason);
    return 0;
}

int writeLocationFile(WindowRef owner, const char* path, const DeepView& view, std::int32_t width,
                      std::int32_t height)
{
    const std::string text = locationText(view, width, height);
    const FileBlock block = {text.data(), std::uint32_t(text.size())};
    return saveFileSafely(owner, path, &block, 1);
}
