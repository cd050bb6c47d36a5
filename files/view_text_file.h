// View files as tavelin-render reads and writes them: the 48-byte parameter file of the window
// program, or a view text file with one "name = value" a line (the names of kDeepFieldNames,
// "#" comment lines and blank lines), which holds views of any depth. A view text is UTF-8,
// with or without a byte order mark, its lines ended by LF, CR LF or CR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "deep/deep_view.h"
#include "files/view_fields.h"

// The view text of view, every field on a line of its own.
std::string viewText(const DeepView& view);

// Sets the fields of view that text names; the others stay. 1 on success; 0 with a one-line
// reason (naming the line) and view unchanged, also when no line sets a field.
int parseViewText(const char* text, std::size_t size, DeepView& view, std::string& reason);

// Reads path over the initial view. It is a parameter file when it cannot be a text (it holds a
// NUL or another byte that is no UTF-8 text; the window program's files all do), has at most 48
// bytes, and is named .vwp or has exactly 48 bytes, but never when it begins with a byte order
// mark or is named .txt; otherwise a view text, refused line by line where it is not one. An
// empty file is refused. 1 on success; 0 with a one-line message.
int readViewFile(const char* path, DeepView& view, std::string& message);

// View files and location files larger than this are refused: no view needs as much.
constexpr std::uint32_t kMaxViewFileSize = 1 << 20;

// Reads at most kMaxViewFileSize + 1 bytes of path (one more tells a file too large); 1 on
// success, 0 with the system's one-line message.
int readViewFileBytes(const char* path, std::string& bytes, std::string& message);

// Writes the view text of view to path by the safe save; 1 on success, 0 with a message.
int writeViewTextFile(const char* path, const DeepView& view, std::string& message);
