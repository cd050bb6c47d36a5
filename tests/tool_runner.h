// tavelin-render run in the test's process, and the pictures it writes.
#pragma once

#include <atomic>
#include <string>
#include <vector>

// What the latest run wrote on standard error.
extern std::string toolMessages;

// Runs the tool on args (without the program's name), interrupted from the start when
// interrupt is set; its exit code.
int runTool(std::vector<std::string> args, int interrupt = 0);

// The latest run's stop flag: catchInterrupt(&toolInterrupted) lets real signals set it.
extern std::atomic<int> toolInterrupted;

// Whether the latest run wrote exactly one line that starts with the program's name and holds text.
bool oneLineSaying(const char* text);

// The pixels of a PNG file in the frame buffer's order: bottom row first, blue-green-red.
std::string pngPixels(const std::string& png);
