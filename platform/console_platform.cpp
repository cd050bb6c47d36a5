// The platform of the console programs (the render tool, the tests and the benchmarks): an
// error is a line on standard error, and there is no window to repaint. The owner of a report
// is the text that begins its line, or nothing.
#include <cstdio>

#include "platform/system.h"

namespace {

void reportOnConsole(WindowRef owner, ErrorCode code)
{
    char text[256];
    systemErrorText(code, text, sizeof text);
    if (owner) {
        std::fprintf(stderr, "%s: %s\n", static_cast<const char*>(owner), text);
    } else {
        std::fprintf(stderr, "%s\n", text);
    }
}

void noRepaint(const PixelRect&) {}

}  // namespace

Platform platform = withSystemFiles(reportOnConsole, noRepaint);
