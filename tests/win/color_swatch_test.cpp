// The three colour swatches and the system's colour chooser.
#include <algorithm>
#include <cstring>
#include <string>

#include "res/resource.h"
#include "win/app_state.h"
#include "win/control_dialog.h"
#include "modal_driver.h"
#include "window_fixture.h"

namespace {

const int kSwatches[] = {IDC_COLOR1, IDC_COLOR2, IDC_COLOR3};

void typeColour(HWND chooser, const char* red, const char* green, const char* blue)
{
    SetDlgItemTextA(chooser, 706, red);
    SetDlgItemTextA(chooser, 707, green);
    SetDlgItemTextA(chooser, 708, blue);
}

// Sets 10, 20, 30, keeps it as a custom colour, and presses OK.
void chooseAndKeep(HWND chooser)
{
    typeColour(chooser, "10", "20", "30");
    SendMessageA(chooser, WM_COMMAND, 712, 0);  // "add to custom colours"
    pressOk(chooser);
}

void typeThenCancel(HWND chooser)
{
    typeColour(chooser, "200", "100", "50");
    pressCancel(chooser);
}

// The red, green and blue fields of the chooser when it opened.
std::string shownColour;

void readColourThenOk(HWND chooser)
{
    char text[3][8] = {};
    for (int i = 0; i < 3; ++i) GetDlgItemTextA(chooser, 706 + i, text[i], sizeof text[i]);
    shownColour = std::string(text[0]) + " " + text[1] + " " + text[2];
    pressOk(chooser);
}

ModalDriver clickSwatch(int id, ModalAction action)
{
    ModalDriver driver;
    startModalDriver(driver, controlDialog, action);
    SendMessageA(GetDlgItem(controlDialog, id), BM_CLICK, 0, 0);
    finishModalDriver(driver);
    return driver;
}

using ColorSwatch = ProgramTest;

}  // namespace

// A colour's high byte, which a parameter file may carry, is no part of the colour: the swatches
// and the chooser use the low three bytes, and the record keeps the high byte.
TEST_F(ColorSwatch, SwatchesShowTheLowThreeBytesOfTheAnchorColours)
{
    const ColorRef withHighBytes[3] = {0x11804000, 0x22C0FF80, 0x33FFFFFF};
    for (const ColorRef* colours : {kInitialViewParams.colors, withHighBytes}) {
        std::copy(colours, colours + 3, viewParams.colors);
        InvalidateRect(controlDialog, nullptr, FALSE);
        pumpMessages();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(colours[i] & 0x00FFFFFF, swatchColour(kSwatches[i])) << i;
    }
    EXPECT_EQ(0x11804000u, viewParams.colors[0]) << "the record keeps the high byte";

    ASSERT_FALSE(clickSwatch(IDC_COLOR3, readColourThenOk).timedOut);
    EXPECT_EQ("255 255 255", shownColour) << "the chooser opens with the swatch's colour";
    EXPECT_EQ(0x00FFFFFFu, viewParams.colors[2]) << "OK gives the colour the chooser showed";
}

TEST_F(ColorSwatch, ChosenColourIsStoredAndShownButNotRendered)
{
    pumpMessages();
    const Palette palette = renderJob.palette;
    const ModalDriver driver = clickSwatch(IDC_COLOR2, chooseAndKeep);
    ASSERT_FALSE(driver.timedOut);
    EXPECT_EQ(RGB(10, 20, 30), viewParams.colors[1]);
    pumpMessages();
    EXPECT_EQ(RGB(10, 20, 30), swatchColour(IDC_COLOR2));
    EXPECT_EQ(0, std::memcmp(&palette, &renderJob.palette, sizeof palette)) << "the picture keeps its colours";
    EXPECT_NE(customColors + 16, std::find(customColors, customColors + 16, RGB(10, 20, 30)))
        << "the custom colour is kept";
}

TEST_F(ColorSwatch, CancelChangesNothingAndCustomColoursStay)
{
    pumpMessages();
    ASSERT_FALSE(clickSwatch(IDC_COLOR1, chooseAndKeep).timedOut);
    COLORREF kept[16];
    std::memcpy(kept, customColors, sizeof kept);
    const ViewParams before = viewParams;

    ASSERT_FALSE(clickSwatch(IDC_COLOR3, typeThenCancel).timedOut);
    EXPECT_EQ(0, std::memcmp(&before, &viewParams, sizeof before));
    EXPECT_EQ(0, std::memcmp(kept, customColors, sizeof kept)) << "custom colours persist across swatches";
    pumpMessages();
    EXPECT_EQ(RGB(255, 255, 255), swatchColour(IDC_COLOR3));
}
