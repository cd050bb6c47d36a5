// The system's side of the core's platform, on Windows and on POSIX systems: file requests and
// the system's error texts. Each program puts them together with its own way of reporting
// errors and repainting: message boxes and the main window for the window program, a line on
// standard error for the console programs.
#pragma once

#include <cstddef>
#include <string>

#include "core/platform.h"

using ErrorReport = void (*)(WindowRef owner, ErrorCode code);
using RepaintRequest = void (*)(const PixelRect& rect);

// A platform record with this system's file requests and the program's report and repaint.
Platform withSystemFiles(ErrorReport report, RepaintRequest repaint);

// The system's message for code, on one line, in English where the system has it.
void systemErrorText(ErrorCode code, char* text, std::size_t size);

// The owner of a console program's file request, passed as the WindowRef of the core's
// reports: a failure is noted as one line, "cannot <action> '<path>': <the system's text>",
// which the caller shows where it shows messages. Without an owner the line goes to
// standard error.
struct FailureNote {
    const char* action;  // "write", "read", "make the folder"
    const char* path;
    std::string text;    // empty until a failure is noted
};

inline WindowRef ownerOf(FailureNote& note)
{
    return &note;
}
