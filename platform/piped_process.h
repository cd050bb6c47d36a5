// A command run by the shell with a pipe to its standard input, as popen does, but with the
// process's id kept, so that it can be ended when its output is no longer wanted (popen gives
// no way to end it but closing its input, after which an encoder goes on to finish its file).
// POSIX only.
#pragma once

#include <cstdio>
#include <string>

// Starts commandLine by "/bin/sh -c"; the write end of its standard input, or null.
std::FILE* startPiped(const std::string& commandLine);

// Ends the command of pipe at once (SIGKILL); its pipe is still to be closed by endPiped.
void killPiped(std::FILE* pipe);

// Closes pipe and waits for its command; the wait status, or -1.
int endPiped(std::FILE* pipe);
