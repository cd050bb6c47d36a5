// Window tests run the real program in the test's own thread: start-up creates the windows
// from the linked resources, and the tests drive them with real messages.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Starts the program fresh for each test and shuts it down afterwards.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Runs loop turns while a message waits or a render is active; stops at WM_QUIT, which it
// removes from the queue. Returns 0 when it saw WM_QUIT.
int pumpUntilIdle();

// Runs loop turns for messages only (no row is rendered).
void pumpMessages();

// The text of a control of the control panel.
std::string fieldText(int id);

// Clicks a button of the control panel as the user would (BM_CLICK) and handles the result.
void clickButton(int id);

// Reads the main window's client area from the screen into a bottom-up 24-bit buffer in
// frame-buffer layout.
std::string screenPixels(HWND window, int width, int height);

// Moves the control panel off the picture, so that reading the screen sees only the picture.
void moveControlPanelAway();

// Removes a WM_QUIT left in the queue, so that later modal loops do not end at once.
void discardQuit();
