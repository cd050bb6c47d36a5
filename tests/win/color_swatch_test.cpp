// The three colour swatches and the system's colour chooser.
#include <algorithm>
#include <cstring>

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

TEST_F(ColorSwatch, SwatchesShowTheThreeAnchorColours)
{
    pumpMessages();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(viewParams.colors[i], swatchColour(kSwatches[i])) << i;
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
