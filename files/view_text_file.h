// View files as tavelin-render reads and writes them: the 48-byte parameter file of the window
// program, or a view text file with one "name = value" a line (the names of kDeepFieldNames,
// "#" comment lines and blank lines), which holds views of any depth.
#pragma once

#include <cstddef>
#include <string>

#include "deep/deep_view.h"
#include "files/view_fields.h"

// The view text of view, every field on a line of its own.
std::string viewText(const DeepView& view);

// Sets the fields of view that text names; the others stay. 1 on success; 0 with a one-line
// reason (naming the line) and view unchanged.
int parseViewText(const char* text, std::size_t size, DeepView& view, std::string& reason);

// Reads path, a parameter file or a view text file (told apart by their bytes: a text holds
// printable characters only, a parameter file never does), over the initial view. 1 on
// success; 0 with a one-line message.
int readViewFile(const char* path, DeepView& view, std::string& message);

// Writes the view text of view to path by the safe save; 1 on success, 0 with a message.
int writeViewTextFile(const char* path, const DeepView& view, std::string& message);
