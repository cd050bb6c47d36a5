// Window tests run the real program in the test's own thread: start-up creates the windows
// from the linked resources, and the tests drive them with real messages.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/view_params.h"

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

// Reads a window's 640 x 480 client area from the screen (whichever process it belongs to)
// into a bottom-up 24-bit buffer in frame-buffer layout.
std::string screenPixels(HWND window);

// The program's frame buffer.
std::string frameBufferBytes();

// The core's rendering of a view at 640 x 480, in frame-buffer layout.
std::string renderView(const ViewParams& params);

// The colour at the middle of a swatch of the control panel, as the screen shows it.
COLORREF swatchColour(int id);

// Moves the control panel off the picture, so that reading the screen sees only the picture.
void moveControlPanelAway();

// The system's message text for an error code, as an error box shows it.
std::string systemText(DWORD code);

// Removes a WM_QUIT left in the queue, so that later modal loops do not end at once.
void discardQuit();
