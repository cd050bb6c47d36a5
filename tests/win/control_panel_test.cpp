// Start, Stop, Quit, the keyboard, and the views that cannot be drawn.
#include <cstring>

#include "res/resource.h"
#include "win/app_state.h"
#include "win/program.h"
#include "modal_driver.h"
#include "window_fixture.h"

namespace {

void renderRows(int rows)
{
    MSG message;
    while (renderJob.rowsDone < rows && renderJob.active) loopTurn(message);
    pumpMessages();
}

void setField(int id, const char* text)
{
    SetDlgItemTextA(controlDialog, id, text);
}

void setView(const char* x, const char* y, const char* magnification, const char* iterations)
{
    setField(IDC_CENTER_X, x);
    setField(IDC_CENTER_Y, y);
    setField(IDC_MAGNIFICATION, magnification);
    setField(IDC_MAX_ITERATIONS, iterations);
}

std::string row(int r)
{
    return std::string(reinterpret_cast<const char*>(surface.bits) + r * 640 * 3, 640 * 3);
}

using ControlPanel = ProgramTest;

}  // namespace

TEST_F(ControlPanel, StartRendersTheFieldsFromTheBottomRow)
{
    renderRows(40);
    setView("-0.5", "0.25", "2", "77x");
    clickButton(IDC_START);
    EXPECT_EQ(-0.5, viewParams.centerX);
    EXPECT_EQ(0.25, viewParams.centerY);
    EXPECT_EQ(2.0, viewParams.magnification);
    EXPECT_EQ(77, viewParams.maxIterations);
    EXPECT_EQ(1, renderJob.active);
    EXPECT_EQ(0, renderJob.rowsDone) << "a running render starts again";
    EXPECT_EQ(77, renderJob.maxIterations);
    EXPECT_EQ(0.009375 / 2, renderJob.stepX);
}

TEST_F(ControlPanel, StopKeepsThePartialPictureAndDoesNotResume)
{
    ASSERT_EQ(1, pumpUntilIdle());
    const std::string oldTop = row(479);
    setField(IDC_MAX_ITERATIONS, "0");  // every new pixel takes the inside colour
    clickButton(IDC_START);
    renderRows(10);
    clickButton(IDC_STOP);
    EXPECT_EQ(0, renderJob.active);
    ASSERT_EQ(1, pumpUntilIdle());
    EXPECT_EQ(10, renderJob.rowsDone) << "no resume";
    EXPECT_EQ(std::string(640 * 3, '\0'), row(9)) << "rows of the stopped render stay";
    EXPECT_EQ(oldTop, row(479)) << "rows above keep the previous picture";

    clickButton(IDC_START);
    EXPECT_EQ(0, renderJob.rowsDone) << "Start begins again from the bottom";
}

// Near the tip of the set, where orbits do not repeat, each row takes seconds: Stop must end
// the render between two slices of a row, and the half-done row never reaches the picture.
TEST_F(ControlPanel, StopEndsARenderInTheMiddleOfARow)
{
    ASSERT_EQ(1, pumpUntilIdle());
    const std::string bottom = row(0);
    setView("-2", "2.25e-6", "1e6", "200000000");
    clickButton(IDC_START);
    pumpMessages();
    MSG message;
    for (int slice = 0; slice < 3; ++slice) loopTurn(message);
    EXPECT_EQ(1, renderJob.active);
    EXPECT_EQ(0, renderJob.rowsDone);
    clickButton(IDC_STOP);
    ASSERT_EQ(1, pumpUntilIdle());
    EXPECT_EQ(0, renderJob.rowsDone);
    EXPECT_EQ(bottom, row(0)) << "no half row in the picture";
}

TEST_F(ControlPanel, EnterPressesStartAndEscapeDoesNothing)
{
    pumpMessages();
    SetFocus(GetDlgItem(controlDialog, IDC_MAX_ITERATIONS));
    setField(IDC_MAX_ITERATIONS, "42");
    const HWND field = GetDlgItem(controlDialog, IDC_MAX_ITERATIONS);

    PostMessageA(field, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(field, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    EXPECT_EQ(1, pumpUntilIdle()) << "Escape does not end the program";
    EXPECT_EQ(300, viewParams.maxIterations);
    EXPECT_TRUE(IsWindowVisible(controlDialog));

    PostMessageA(field, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(field, WM_KEYUP, VK_RETURN, 0xC01C0001);
    pumpMessages();
    EXPECT_EQ(42, viewParams.maxIterations) << "Enter pressed Start";
}

TEST_F(ControlPanel, UndrawableViewsAreRefusedWithAWarning)
{
    const struct {
        const char *x, *y, *magnification;
    } cases[] = {{"0", "0", "0"}, {"0", "0", "abc"}, {"0", "0", "1e999"}, {"nan", "0", "1"}, {"0", "-1e400", "1"}};
    renderRows(5);
    for (const auto& c : cases) {
        setView(c.x, c.y, c.magnification, "50");
        ModalDriver driver;
        startModalDriver(driver, controlDialog, pressOk);
        clickButton(IDC_START);
        finishModalDriver(driver);
        EXPECT_FALSE(driver.timedOut) << c.x << " " << c.y << " " << c.magnification;
        EXPECT_EQ("tavelin", driver.steps[0].caption);
        EXPECT_EQ("倍率には 0 以外の数値を、中心には有限の数値を指定してください。", driver.steps[0].text);
        EXPECT_EQ(0, std::memcmp(&viewParams, &kInitialViewParams, sizeof viewParams)) << "the view stays";
        EXPECT_EQ(5, renderJob.rowsDone) << "the render goes on where it was";
    }
}
