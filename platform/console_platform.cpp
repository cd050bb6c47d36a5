// The platform of the console programs (the render tool, the tests and the benchmarks): an
// error is noted for its owner (a FailureNote) or, without one, is a line on standard error;
// there is no window to repaint.
#include <cstdio>

#include "platform/system.h"

namespace {

void reportOnConsole(WindowRef owner, ErrorCode code)
{
    char text[256];
    systemErrorText(code, text, sizeof text);
    if (owner) {
        FailureNote& note = *static_cast<FailureNote*>(owner);
        // The first failure is the one that says why; a later one comes of it.
        if (note.text.empty()) note.text = std::string("cannot ") + note.action + " '" + note.path + "': " + text;
    } else {
        std::fprintf(stderr, "%s\n", text);
    }
}

void noRepaint(const PixelRect&) {}

}  // namespace

Platform platform = withSystemFiles(reportOnConsole, noRepaint);
