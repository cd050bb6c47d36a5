#include <windows.h>

#include <cstdio>

#include "platform/process.h"

ErrorCode makeFolder(const char* path)
{
    if (CreateDirectoryA(path, nullptr)) return 0;
    const ErrorCode error = GetLastError();
    const DWORD attributes = GetFileAttributesA(path);
    const int isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return error == ERROR_ALREADY_EXISTS && isFolder ? 0 : error;
}

int findProgram(const char* name, char* path, std::size_t size)
{
    const DWORD length = SearchPathA(nullptr, name, ".exe", DWORD(size), path, nullptr);
    return length > 0 && length < size;
}

// File names cannot hold a double quote, so quoting each argument is enough.
void appendArgument(std::string& commandLine, const char* arg)
{
    commandLine += commandLine.empty() ? "\"" : " \"";
    commandLine += arg;
    commandLine += '"';
}

// The command interpreter drops the first and the last quote of a line that starts with one:
// the whole line goes in one more pair.
std::FILE* openPipeTo(const std::string& commandLine)
{
    return _popen(("\"" + commandLine + "\"").c_str(), "wb");
}

// Windows has no signal for it: the write fails.
void ignoreClosedPipes() {}

int closePipe(std::FILE* pipe)
{
    return _pclose(pipe) == 0;
}

// _popen gives no handle of the command's process: it ends when closePipe closes its input.
void stopPipe(std::FILE*) {}

int readOutputOf(const std::string& commandLine, std::string& output)
{
    std::FILE* pipe = _popen(("\"" + commandLine + " 2>NUL\"").c_str(), "rb");
    if (!pipe) return 0;
    char piece[256];
    output.clear();
    for (std::size_t count; (count = std::fread(piece, 1, sizeof piece, pipe)) > 0;) output.append(piece, count);
    return closePipe(pipe);
}
