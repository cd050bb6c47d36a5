// The rubber band: its 4:3 shape, the view it puts into the panel, and its inverted pixels.
#include <algorithm>
#include <cstring>

#include "res/resource.h"
#include "win/app_state.h"
#include "win/program.h"
#include "window_fixture.h"

namespace {

void mouse(UINT message, WPARAM keys, int x, int y)
{
    SendMessageA(mainWindow, message, keys, MAKELPARAM(x, y));
}

void drag(int x0, int y0, int x1, int y1)
{
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, x0, y0);
    mouse(WM_MOUSEMOVE, MK_LBUTTON, x1, y1);
}

struct Fields {
    std::string x, y, magnification, iterations;
    bool operator==(const Fields& o) const
    {
        return x == o.x && y == o.y && magnification == o.magnification && iterations == o.iterations;
    }
};

std::ostream& operator<<(std::ostream& out, const Fields& f)
{
    return out << f.x << " " << f.y << " " << f.magnification << " " << f.iterations;
}

Fields panelFields()
{
    return {fieldText(IDC_CENTER_X), fieldText(IDC_CENTER_Y), fieldText(IDC_MAGNIFICATION),
            fieldText(IDC_MAX_ITERATIONS)};
}

const Fields kInitialFields = {"0.0000000000000000", "0.0000000000000000", "1.0000000000000000", "300"};

// Checks the screen against the frame buffer: pixels strictly inside the rectangle inverted,
// pixels clear of its edges untouched, edge pixels either (the fill rule is the system's).
void expectBand(const std::string& screen, int left, int top, int right, int bottom)
{
    const std::string picture = frameBufferBytes();
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const size_t at = (size_t(479 - y) * 640 + x) * 3;
            const bool inside = x > left && x < right - 1 && y > top && y < bottom - 1;
            const bool clear = x < left - 1 || x > right || y < top - 1 || y > bottom;
            for (int c = 0; c < 3; ++c) {
                const auto shown = static_cast<unsigned char>(screen[at + c]);
                const auto pixel = static_cast<unsigned char>(picture[at + c]);
                if ((inside && shown != 255 - pixel) || (clear && shown != pixel)) ++wrong;
            }
        }
    }
    EXPECT_EQ(0, wrong) << "band " << left << "," << top << " - " << right << "," << bottom;
}

class MouseZoom : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        moveControlPanelAway();
        ASSERT_EQ(1, pumpUntilIdle());
    }
};

}  // namespace

TEST_F(MouseZoom, DragShowsTheBandAndTheViewItEncloses)
{
    const struct {
        int x0, y0, x1, y1;
        MousePoint corner;
        Fields fields;
    } cases[] = {
        {100, 100, 200, 150, {166, 150}, {"-1.7531250000000000", "1.0781250000000000", "9.6969696969696972", "300"}},
        {200, 100, 120, 300, {120, 160}, {"-1.5000000000000000", "1.0312500000000000", "8.0000000000000000", "300"}},
        {0, 0, 320, 240, {319, 240}, {"-1.5046875000000000", "1.1250000000000000", "2.0062695924764888", "300"}},
        // Computed with a 64-bit significand: doubles would show 1.2703125000000002 and 1.5796874999999999.
        {0, 66, 123, 143, {102, 143}, {"-2.5218750000000001", "1.2703125000000000", "6.2745098039215685", "300"}},
        {0, 33, 123, 110, {102, 110}, {"-2.5218750000000001", "1.5796875000000001", "6.2745098039215685", "300"}},
    };
    for (const auto& c : cases) {
        drag(c.x0, c.y0, c.x1, c.y1);
        pumpMessages();
        EXPECT_EQ(1, selection.visible);
        EXPECT_EQ(c.corner.x, selection.corner.x);
        EXPECT_EQ(c.corner.y, selection.corner.y);
        EXPECT_EQ(c.fields, panelFields());
        EXPECT_EQ(0, std::memcmp(&viewParams, &kInitialViewParams, sizeof viewParams)) << "the view waits for Start";
        expectBand(screenPixels(mainWindow), std::min(c.x0, int(c.corner.x)), std::min(c.y0, int(c.corner.y)),
                   std::max(c.x0, int(c.corner.x)), std::max(c.y0, int(c.corner.y)));
        mouse(WM_LBUTTONUP, 0, c.x1, c.y1);
        EXPECT_EQ(1, selection.visible) << "releasing the button keeps the band";
        EXPECT_EQ(c.fields, panelFields());
    }
}

TEST_F(MouseZoom, SecondButtonDownRemovesTheBandAndKeepsTheFields)
{
    drag(100, 100, 200, 150);
    const Fields shown = panelFields();
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, 300, 300);
    pumpMessages();
    EXPECT_EQ(0, selection.visible);
    EXPECT_EQ(300, selection.anchor.x);
    EXPECT_EQ(shown, panelFields());
    EXPECT_TRUE(screenPixels(mainWindow) == frameBufferBytes());
}

TEST_F(MouseZoom, MovesWithoutTheButtonAndFlatBandsShowNothing)
{
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    mouse(WM_MOUSEMOVE, 0, 200, 150);
    mouse(WM_MOUSEMOVE, MK_RBUTTON | MK_SHIFT, 200, 150);
    EXPECT_EQ(0, selection.visible);
    EXPECT_EQ(kInitialFields, panelFields());

    mouse(WM_MOUSEMOVE, MK_LBUTTON, 300, 100);  // level with the anchor
    pumpMessages();
    EXPECT_EQ(1, selection.visible);
    EXPECT_EQ(kInitialFields, panelFields()) << "a band without area shows the current view";
    EXPECT_TRUE(screenPixels(mainWindow) == frameBufferBytes());
}

TEST_F(MouseZoom, MouseIsIgnoredDuringARender)
{
    clickButton(IDC_START);
    ASSERT_EQ(1, renderJob.active);
    drag(10, 10, 200, 150);
    EXPECT_EQ(0, selection.visible);
    EXPECT_EQ(0, selection.anchor.x);
    EXPECT_EQ(kInitialFields, panelFields());
}

TEST_F(MouseZoom, RepaintingRedrawsTheSameBand)
{
    drag(100, 100, 200, 150);
    pumpMessages();
    const std::string withBand = screenPixels(mainWindow);
    InvalidateRect(mainWindow, nullptr, FALSE);
    pumpMessages();
    EXPECT_TRUE(withBand == screenPixels(mainWindow));
    const RECT part = {150, 120, 400, 300};  // a part of the band and of the picture beside it
    InvalidateRect(mainWindow, &part, FALSE);
    pumpMessages();
    EXPECT_TRUE(withBand == screenPixels(mainWindow));
}

TEST_F(MouseZoom, StartRendersTheBandsViewOverTheBand)
{
    drag(100, 100, 200, 150);
    clickButton(IDC_START);
    EXPECT_EQ(0, selection.visible);
    EXPECT_EQ(-1.753125, viewParams.centerX);
    EXPECT_EQ(1.078125, viewParams.centerY);

    MSG message;
    while (renderJob.rowsDone < 480 - 125) loopTurn(message);  // up to screen line 125
    pumpMessages();
    const std::string screen = screenPixels(mainWindow);
    const std::string picture = frameBufferBytes();
    const size_t line = 640 * 3;
    EXPECT_TRUE(screen.substr(0, 355 * line) == picture.substr(0, 355 * line)) << "new rows cover the band";
    const size_t inBand = (size_t(479 - 110) * 640 + 130) * 3;
    EXPECT_EQ(255 - static_cast<unsigned char>(picture[inBand]), static_cast<unsigned char>(screen[inBand]))
        << "rows above still show the inverted band";
    ASSERT_EQ(1, pumpUntilIdle());
    EXPECT_TRUE(screenPixels(mainWindow) == frameBufferBytes());
}
