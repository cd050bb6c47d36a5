#include "files/view_text_file.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "core/safe_save.h"
#include "files/file_names.h"
#include "files/refusal.h"
#include "platform/system.h"

namespace {

// Larger files are no views: a view text of the deepest view is some 20 kB.

// The byte order mark that some editors put at the start of a UTF-8 text.
constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr std::size_t kBomSize = 3;

int hasBom(const char* bytes, std::size_t size)
{
    return size >= kBomSize && !std::memcmp(bytes, kBom, kBomSize);
}

// The length of the UTF-8 sequence that begins at p, before end; 0 where none does (a stray
// continuation byte, an overlong form, a surrogate, a code point past U+10FFFF).
std::size_t utf8Length(const unsigned char* p, const unsigned char* end)
{
    if (*p < 0x80) return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // of the second byte
    if (*p >= 0xC2 && *p <= 0xDF) {
        length = 2;
    } else if (*p >= 0xE0 && *p <= 0xEF) {
        length = 3;
        low = *p == 0xE0 ? 0xA0 : low;
        high = *p == 0xED ? 0x9F : high;
    } else if (*p >= 0xF0 && *p <= 0xF4) {
        length = 4;
        low = *p == 0xF0 ? 0x90 : low;
        high = *p == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (std::size_t(end - p) < length || p[1] < low || p[1] > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    }
    return length;
}

// The first byte of begin..end that is no text: not UTF-8, or a control character other than a
// tab; end when there is none.
const char* firstNonText(const char* begin, const char* end)
{
    const auto* p = reinterpret_cast<const unsigned char*>(begin);
    const auto* last = reinterpret_cast<const unsigned char*>(end);
    while (p < last) {
        const std::size_t length = (*p < 0x20 && *p != '\t') ? 0 : utf8Length(p, last);
        if (length == 0) break;
        p += length;
    }
    return reinterpret_cast<const char*>(p);
}

// Whether every byte is text, line ends included.
int isAllText(const char* bytes, std::size_t size)
{
    for (const char* p = bytes; (p = firstNonText(p, bytes + size)) != bytes + size; ++p) {
        if (*p != '\n' && *p != '\r') return 0;
    }
    return 1;
}

// A file is read as a parameter file when it cannot be a view text (a text has no NUL, which
// every window program's file has in its colours' high bytes), is no longer than one, and has a
// parameter file's name (.vwp) or size. A BOM or a text's name (.txt) makes it a text, to be
// refused line by line when it is a bad one, never read as doubles.
int isParamFile(const char* path, const std::string& bytes)
{
    if (bytes.size() > sizeof(ViewParams) || hasBom(bytes.data(), bytes.size()) || nameEndsWith(path, ".txt") ||
        isAllText(bytes.data(), bytes.size())) {
        return 0;
    }
    return nameEndsWith(path, ".vwp") || bytes.size() == sizeof(ViewParams);
}

std::string trimmed(const char* begin, const char* end)
{
    while (begin != end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end != begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
    return std::string(begin, end);
}

// One line of a view text into view, counting the fields it sets; 1 for a field, comment or
// blank line.
int parseLine(const std::string& line, DeepView& view, int& fields, std::string& reason)
{
    if (line.empty() || line[0] == '#') return 1;
    const std::size_t equals = line.find('=');
    if (equals == line.npos) return 0;
    const std::string name = trimmed(line.data(), line.data() + equals);
    const std::string value = trimmed(line.data() + equals + 1, line.data() + line.size());
    for (int field = 0; field < kDeepFieldCount; ++field) {
        if (name == kDeepFieldNames[field]) {
            ++fields;
            return setDeepField(view, DeepField(field), value.c_str(), reason);
        }
    }
    return setColouringField(view.colouring, name.c_str(), value.c_str(), reason);
}

// The end of the line that begins at line: a LF, a CR LF or a CR alone, or the end of the text.
const char* lineEnd(const char* line, const char* end)
{
    while (line < end && *line != '\n' && *line != '\r') ++line;
    return line;
}

}  // namespace

int readViewFileBytes(const char* path, std::string& bytes, std::string& message)
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
    const char* const end = text + size;
    if (hasBom(text, size)) text += kBomSize;
    DeepView parsed = view;
    int lineNumber = 1, fields = 0;
    for (const char* line = text; line < end; ++lineNumber) {
        const char* stop = lineEnd(line, end);
        const char* bad = firstNonText(line, stop);
        if (bad != stop) {
            return refuse(error, "line %d: byte 0x%02X is not text (a view text is UTF-8; a parameter file, 48 bytes)",
                          lineNumber, unsigned(static_cast<unsigned char>(*bad)));
        }
        std::string reason;
        if (!parseLine(trimmed(line, stop), parsed, fields, reason)) {
            if (reason.empty()) reason = "give name = value";
            return refuse(error, "line %d: %s", lineNumber, reason.c_str());
        }
        line = stop + (stop + 1 < end && stop[0] == '\r' && stop[1] == '\n' ? 2 : 1);
    }
    if (fields == 0) return refuse(error, "no field is set: give center-x = RE and the others, one a line");
    view = parsed;
    return 1;
}

int readViewFile(const char* path, DeepView& view, std::string& error)
{
    std::string bytes;
    if (!readViewFileBytes(path, bytes, error)) return 0;
    const std::string shown = shownText(path, kMaxPath);
    if (bytes.size() > kMaxViewFileSize) return refuse(error, "'%s' is too large for a view file", shown.c_str());
    if (bytes.empty()) return refuse(error, "'%s' is empty: a view file sets at least one field", shown.c_str());
    DeepView parsed = deepViewOf(kInitialViewParams);
    if (!isParamFile(path, bytes)) {
        std::string reason;
        if (!parseViewText(bytes.data(), bytes.size(), parsed, reason)) {
            return refuse(error, "'%s', %s", shown.c_str(), reason.c_str());
        }
    } else {
        // A short parameter file replaces only the bytes it has, as the window program's Open.
        ViewParams params = kInitialViewParams;
        std::memcpy(&params, bytes.data(), bytes.size() < sizeof params ? bytes.size() : sizeof params);
        if (!isDrawableView(params)) {
            return refuse(error, "'%s' holds a view that cannot be drawn: the magnification must be a non-zero "
                          "number whose picture width, 6 / magnification, is finite, and the centre finite numbers",
                          shown.c_str());
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
