#include "files/view_text_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/safe_save.h"
#include "files/refusal.h"
#include "platform/system.h"

namespace {

// Larger files are no views: a view text of the deepest view is some 20 kB.
constexpr std::uint32_t kMaxViewFileSize = 1 << 20;

int isTextByte(unsigned char c)
{
    return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n';
}

int isText(const char* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        if (!isTextByte(static_cast<unsigned char>(bytes[i]))) return 0;
    }
    return size > 0;
}

std::string trimmed(const char* begin, const char* end)
{
    while (begin != end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end != begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r')) --end;
    return std::string(begin, end);
}

// One line of a view text into view; 1 for a field, comment or blank line.
int parseLine(const std::string& line, DeepView& view, std::string& reason)
{
    if (line.empty() || line[0] == '#') return 1;
    const std::size_t equals = line.find('=');
    if (equals == line.npos) return 0;
    const std::string name = trimmed(line.data(), line.data() + equals);
    const std::string value = trimmed(line.data() + equals + 1, line.data() + line.size());
    for (int field = 0; field < kDeepFieldCount; ++field) {
        if (name == kDeepFieldNames[field]) return setDeepField(view, DeepField(field), value.c_str(), reason);
    }
    return setColouringField(view.colouring, name.c_str(), value.c_str(), reason);
}

int readBytes(const char* path, std::string& bytes, std::string& message)
{
    FailureNote note = {"read", path, ""};
    FileRef file = 0;
    ErrorCode error = platform.openForReading(path, &file);
    if (!error) {
        bytes.resize(kMaxViewFileSize + 1);
        std::uint32_t done = 0;
        error = platform.readFile(file, &bytes[0], kMaxViewFileSize + 1, &done);
        bytes.resize(done);
        platform.closeFile(file);
    }
    if (error) platform.reportError(ownerOf(note), error);
    message = note.text;
    return !error;
}

}  // namespace

std::string viewText(const DeepView& view)
{
    std::string text = "# tavelin view\n";
    for (int field = 0; field < kDeepFieldCount; ++field) {
        text += std::string(kDeepFieldNames[field]) + " = " + deepFieldText(view, DeepField(field)) + "\n";
    }
    return text + colouringText(view.colouring);
}

int parseViewText(const char* text, std::size_t size, DeepView& view, std::string& error)
{
    DeepView parsed = view;
    int lineNumber = 1;
    for (const char* line = text; line < text + size; ++lineNumber) {
        const char* end = static_cast<const char*>(std::memchr(line, '\n', std::size_t(text + size - line)));
        if (!end) end = text + size;
        std::string reason;
        if (!parseLine(trimmed(line, end), parsed, reason)) {
            if (reason.empty()) reason = "give name = value";
            return refuse(error, "line %d: %s", lineNumber, reason.c_str());
        }
        line = end + 1;
    }
    view = parsed;
    return 1;
}

int readViewFile(const char* path, DeepView& view, std::string& error)
{
    std::string bytes;
    if (!readBytes(path, bytes, error)) return 0;
    if (bytes.size() > kMaxViewFileSize) return refuse(error, "'%s' is too large for a view file", path);
    DeepView parsed = deepViewOf(kInitialViewParams);
    if (isText(bytes.data(), bytes.size())) {
        std::string reason;
        if (!parseViewText(bytes.data(), bytes.size(), parsed, reason)) {
            return refuse(error, "'%s', %s", path, reason.c_str());
        }
    } else {
        // A short parameter file replaces only the bytes it has, as the window program's Open.
        ViewParams params = kInitialViewParams;
        std::memcpy(&params, bytes.data(), bytes.size() < sizeof params ? bytes.size() : sizeof params);
        if (!isDrawableView(params)) {
            return refuse(error, "'%s' holds a view that cannot be drawn: the magnification must be a non-zero "
                          "number whose picture width, 6 / magnification, is finite, and the centre finite numbers",
                          path);
        }
        parsed = deepViewOf(params);
    }
    view = parsed;
    return 1;
}

int writeViewTextFile(const char* path, const DeepView& view, std::string& message)
{
    const std::string text = viewText(view);
    const FileBlock block = {text.data(), std::uint32_t(text.size())};
    FailureNote note = {"write", path, ""};
    const int saved = saveFileSafely(ownerOf(note), path, &block, 1);
    message = note.text;
    return saved;
}
