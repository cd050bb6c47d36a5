#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/piped_process.h"
#include "platform/process.h"

ErrorCode makeFolder(const char* path)
{
    if (mkdir(path, 0777) == 0) return 0;
    const ErrorCode error = ErrorCode(errno);
    struct stat info;
    return error == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode) ? 0 : error;
}

int findProgram(const char* name, char* path, std::size_t size)
{
    const char* folders = std::getenv("PATH");
    for (const char* folder = folders; folder && *folder;) {
        const char* end = std::strchr(folder, ':');
        const std::size_t length = end ? std::size_t(end - folder) : std::strlen(folder);
        // An empty entry is the current folder.
        const int written = length == 0 ? std::snprintf(path, size, "./%s", name)
                                        : std::snprintf(path, size, "%.*s/%s", int(length), folder, name);
        struct stat info;
        if (written > 0 && std::size_t(written) < size && stat(path, &info) == 0 && S_ISREG(info.st_mode) &&
            access(path, X_OK) == 0) {
            return 1;
        }
        folder = end ? end + 1 : folder + length;
    }
    return 0;
}

// Single quotes keep everything as it is but a single quote, which is closed, escaped and
// opened again.
void appendArgument(std::string& commandLine, const char* arg)
{
    commandLine += commandLine.empty() ? "'" : " '";
    for (const char* c = arg; *c; ++c) commandLine += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
    commandLine += '\'';
}

void ignoreClosedPipes()
{
    signal(SIGPIPE, SIG_IGN);
}

std::FILE* openPipeTo(const std::string& commandLine)
{
    ignoreClosedPipes();
    return startPiped(commandLine);
}

int closePipe(std::FILE* pipe)
{
    const int status = endPiped(pipe);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void stopPipe(std::FILE* pipe)
{
    killPiped(pipe);
}

int readOutputOf(const std::string& commandLine, std::string& output)
{
    std::FILE* pipe = popen((commandLine + " 2>/dev/null").c_str(), "r");
    if (!pipe) return 0;
    char piece[256];
    output.clear();
    for (std::size_t count; (count = std::fread(piece, 1, sizeof piece, pipe)) > 0;) output.append(piece, count);
    // Opened by popen, not by openPipeTo: closed by pclose.
    const int status = pclose(pipe);
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
