// What a dive needs of the system beyond the core's file requests: a folder for its
// keyframes, and the encoder program, found on PATH and fed through a pipe.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "core/platform.h"

// Makes the folder path unless a folder of that name is there. 0, or the system's error code.
ErrorCode makeFolder(const char* path);

// The full path of the program name (without ".exe", which Windows adds) on PATH into path;
// 1 when it is there.
int findProgram(const char* name, char* path, std::size_t size);

// Appends arg to a command line for the system's shell, quoted as one argument.
void appendArgument(std::string& commandLine, const char* arg);

// Runs a command line with a pipe to its standard input; null when it cannot start. A write
// to a pipe whose reader has ended fails instead of ending this process.
std::FILE* openPipeTo(const std::string& commandLine);

// From now on a write to a pipe whose reader has ended (standard output into a `head` that has
// exited) fails with an error instead of ending the process.
void ignoreClosedPipes();

// Closes the pipe and waits for the command to end; 1 when it ended with success.
int closePipe(std::FILE* pipe);

// Ends the command at once where the system can (its output is not wanted), before closePipe;
// otherwise it ends when closePipe closes its input.
void stopPipe(std::FILE* pipe);

// Runs a command line and reads what it writes on standard output into output (its error
// output is dropped); 1 when it ended with success.
int readOutputOf(const std::string& commandLine, std::string& output);
