#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/piped_process.h"

namespace {

// The commands running, by their pipe: few (a dive runs one encoder) and used from one thread.
std::vector<std::pair<std::FILE*, pid_t>> running;

pid_t processOf(std::FILE* pipe)
{
    for (const auto& entry : running) {
        if (entry.first == pipe) return entry.second;
    }
    return -1;
}

}  // namespace

std::FILE* startPiped(const std::string& commandLine)
{
    int ends[2];
    if (pipe(ends) != 0) return nullptr;
    fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    // "exec" makes the shell become the command, so that the id kept is the command's own.
    const std::string script = "exec " + commandLine;
    // Between fork and exec only calls that are safe in a child of a threaded process.
    const pid_t child = fork();
    if (child == 0) {
        if (ends[0] != STDIN_FILENO) {
            dup2(ends[0], STDIN_FILENO);
            close(ends[0]);
        }
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[0]);
    std::FILE* pipe = child > 0 ? fdopen(ends[1], "w") : nullptr;
    if (!pipe) {
        close(ends[1]);
        if (child > 0) waitpid(child, nullptr, 0);
        return nullptr;
    }
    running.emplace_back(pipe, child);
    return pipe;
}

void killPiped(std::FILE* pipe)
{
    const pid_t child = processOf(pipe);
    if (child > 0) kill(child, SIGKILL);
}

int endPiped(std::FILE* pipe)
{
    const pid_t child = processOf(pipe);
    std::fclose(pipe);
    if (child <= 0) return -1;
    for (auto it = running.begin(); it != running.end(); ++it) {
        if (it->first == pipe) {
            running.erase(it);
            break;
        }
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}
