// A user's road through the program: views typed, refused, started and stopped, colours chosen,
// bands dragged over the picture, and views and pictures saved and opened from the menu.
#include <sstream>

#include "tests/test_support.h"
#include "win/control_dialog.h"
#include "window_fixture.h"

using ControlPanel = ProgramTest;
using MouseZoom = ProgramTest;
using MenuCommands = ProgramTest;

namespace {

const char kWarning[] = "倍率には 0 以外の数値を、中心には有限の数値を指定してください。";

// Types the four fields, centre X first, given separated by spaces.
void typeView(const std::string& view)
{
    std::istringstream texts(view);
    std::string text;
    for (int id = IDC_CENTER_X; texts >> text; ++id) SetDlgItemTextA(controlDialog, id, text.c_str());
}

// The colour inside a swatch of the panel.
COLORREF swatchColour(int id)
{
    const HDC dc = GetDC(GetDlgItem(controlDialog, id));
    const COLORREF colour = GetPixel(dc, 20, 10);
    ReleaseDC(GetDlgItem(controlDialog, id), dc);
    return colour;
}

void mouse(UINT message, WPARAM keys, int x, int y) { SendMessageA(mainWindow, message, keys, MAKELPARAM(x, y)); }

// The pixels of the window that differ from the frame buffer's, inverted strictly inside the
// band between the points; pixels on its edges may be either (the system's rule).
int wrongPixels(MousePoint a, MousePoint b)
{
    const std::string shown = pixelsOf(mainWindow);
    const std::string frame = frameBufferBytes();
    int wrong = 0;
    for (size_t at = 0; at < shown.size(); ++at) {
        const int x = at / 3 % 640;
        const int y = 479 - int(at / 1920);
        const int depth = std::min({x - std::min(a.x, b.x), std::max(a.x, b.x) - 1 - x, y - std::min(a.y, b.y),
                                    std::max(a.y, b.y) - 1 - y});  // negative outside the band
        wrong += (depth >= 1 && shown[at] != char(~frame[at])) || (depth <= -2 && shown[at] != frame[at]);
    }
    return wrong;
}

// Runs a menu command and returns the modal windows it opened.
std::vector<std::string> command(WORD id) { return runModal([id] { SendMessageA(mainWindow, WM_COMMAND, id, 0); }); }

std::string bytesOf(const ViewParams& params) { return std::string(reinterpret_cast<const char*>(&params), 48); }

}  // namespace

TEST_F(ControlPanel, StartStopQuitAndKeys)
{
    pump(5);
    const std::vector<std::string> warning = {std::string("other tavelin: ") + kWarning};
    for (const char* view : {"0 0 0 50", "0 0 abc 50", "0 0 1e999 50", "0 0 1e-320 50", "0 -1e400 1 50"}) {
        typeView(view);
        EXPECT_EQ(warning, runModal([] { click(IDC_START); })) << view;
        EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams)) << "the view stays";
        EXPECT_EQ(5, renderJob.rowsDone) << "the render goes on where it was";
    }

    // Stop leaves the rows done and does not resume; Escape does nothing; Enter presses Start,
    // which reads the fields and starts from the bottom.
    typeView("-0.5 0.25 2 77x");
    click(IDC_STOP);
    PostMessageA(controlDialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(1, pump(480)) << "Escape does not end the program";
    EXPECT_EQ(5, renderJob.rowsDone);
    PostMessageA(controlDialog, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    pump();
    const ViewParams typed = {-0.5, 0.25, 2.0, 77, {0x00804000, 0x00C0FF80, 0x00FFFFFF, 0}, {}};
    EXPECT_EQ(bytesOf(typed), bytesOf(viewParams));
    EXPECT_EQ(0, renderJob.rowsDone);
    EXPECT_EQ(0.009375 / 2, renderJob.stepX);
    // Start during a render starts again from the bottom row, with the new view.
    pump(3);
    typeView("-0.5 0.25 4 77");
    click(IDC_START);
    EXPECT_EQ(4.0, viewParams.magnification);
    EXPECT_EQ(0, renderJob.rowsDone);
    EXPECT_EQ(0.009375 / 4, renderJob.stepX);

    // On the real axis near the tip of the set, where orbits do not repeat, the bottom row takes
    // many seconds: Stop, and Quit, end the render between two slices of it; no half row shows.
    ASSERT_EQ(1, pump(480));
    const std::string picture = frameBufferBytes();
    typeView("-2 2.25e-6 1e6 200000000");
    for (int id : {IDC_STOP, IDC_QUIT}) {
        click(IDC_START);
        pump();
        MSG message;
        for (int slice = 0; slice < 3; ++slice) loopTurn(message);
        EXPECT_EQ(1, renderJob.active);
        click(id);
        EXPECT_EQ(id == IDC_STOP, pump(480)) << "Quit ends the loop";
        EXPECT_EQ(0, renderJob.rowsDone);
        EXPECT_TRUE(frameBufferBytes() == picture);
    }
}

TEST_F(MouseZoom, DragsAndStart)
{
    ASSERT_EQ(1, pump(480));

    // Moves without the left button do nothing; a band without area shows nothing and the current view.
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
    mouse(WM_MOUSEMOVE, MK_RBUTTON | MK_SHIFT, 200, 150);
    EXPECT_EQ(0, selection.visible);
    mouse(WM_MOUSEMOVE, MK_LBUTTON, 300, 100);
    EXPECT_EQ(1, selection.visible);
    EXPECT_EQ(kInitialFields, fieldTexts());
    EXPECT_TRUE(pixelsOf(mainWindow) == frameBufferBytes());

    // Each drag: the button-down removes the last band and keeps the fields, each move erases
    // the band before, the button-up keeps band and fields, and a repaint draws the same band
    // again. The view changes only with Start. Two need a 64-bit significand (doubles would
    // show 1.2703125000000002 and 1.5796874999999999).
    const struct {
        int x0, y0, x1, y1;
        MousePoint corner;  // after the 4:3 constraint
        const char* fields;
    } drags[] = {
        {200, 100, 120, 300, {120, 160}, "-1.5000000000000000 1.0312500000000000 8.0000000000000000 300 "},
        {0, 66, 123, 143, {102, 143}, "-2.5218750000000001 1.2703125000000000 6.2745098039215685 300 "},
        {0, 33, 123, 110, {102, 110}, "-2.5218750000000001 1.5796875000000001 6.2745098039215685 300 "},
        {100, 100, 200, 150, {166, 150}, "-1.7531250000000000 1.0781250000000000 9.6969696969696972 300 "},
    };
    for (const auto& d : drags) {
        const std::string fields = fieldTexts();
        mouse(WM_LBUTTONDOWN, MK_LBUTTON, d.x0, d.y0);
        EXPECT_EQ(fields, fieldTexts());
        mouse(WM_MOUSEMOVE, MK_LBUTTON, d.x1 + 30, d.y1 + 40);
        mouse(WM_MOUSEMOVE, MK_LBUTTON, d.x1, d.y1);
        mouse(WM_LBUTTONUP, 0, d.x1, d.y1);
        EXPECT_EQ(0, std::memcmp(&d.corner, &selection.corner, sizeof d.corner)) << d.x0 << "," << d.y0;
        EXPECT_EQ(d.fields, fieldTexts()) << "the view shown waits for Start";
        EXPECT_EQ(0, wrongPixels(selection.anchor, selection.corner)) << "before repainting";
        const RECT part = {50, 60, 400, 300};
        InvalidateRect(mainWindow, &part, FALSE);
        pump();
        EXPECT_EQ(0, wrongPixels(selection.anchor, selection.corner)) << "repainted";
    }

    // Start renders the band's view over it: new rows cover the band, rows above still show it.
    // The mouse is ignored meanwhile.
    click(IDC_START);
    EXPECT_EQ(-1.753125, viewParams.centerX);
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
    mouse(WM_MOUSEMOVE, MK_LBUTTON, 200, 150);
    EXPECT_EQ(0, selection.visible) << "no band during a render";
    EXPECT_EQ(100, selection.anchor.x);
    pump(480 - 125);  // up to screen line 125
    const std::string shown = pixelsOf(mainWindow);
    const std::string frame = frameBufferBytes();
    EXPECT_TRUE(shown.substr(0, 355 * 1920) == frame.substr(0, 355 * 1920)) << "new rows cover the band";
    const size_t inBand = (size_t(479 - 110) * 640 + 130) * 3;
    EXPECT_EQ(char(~frame[inBand]), shown[inBand]) << "rows above still show it";
    ASSERT_EQ(1, pump(480));
    EXPECT_TRUE(pixelsOf(mainWindow) == frameBufferBytes());
}

// Save writes the view of the last Start with the colours chosen since, not the fields; a name
// without extension gets ".vwp". Open brings back all 48 bytes, shows them, repaints the swatches
// and renders them; it closes the file, which can then be saved over (after a question) and
// opened again. The colours' high bytes, which a file may set, stay in the record; the swatches
// and the colour chooser use the low three bytes. Each swatch stores its choice in its own slot.
TEST_F(MenuCommands, SaveOpenChooseColoursAndFail)
{
    pump(20);
    SetDlgItemTextA(controlDialog, IDC_MAGNIFICATION, "5");
    const ViewParams saved = {0, 0, 1, 300, {0x11102030, 0x22405060, 0x33708090, 0x7F123456}, {1, 2, 3, 4}};
    viewParams = saved;
    typedName = tempPath("view");
    EXPECT_EQ(1u, command(IDM_SAVE_PARAMS).size());
    typedName += ".vwp";
    EXPECT_EQ(bytesOf(saved), readWholeFile(typedName));
    viewParams = kInitialViewParams;
    EXPECT_EQ(1u, command(IDM_OPEN_PARAMS).size());
    EXPECT_EQ(bytesOf(saved), bytesOf(viewParams));
    EXPECT_EQ(kInitialFields, fieldTexts());
    EXPECT_EQ(0, renderJob.rowsDone);

    pump();
    const Palette palette = renderJob.palette;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(saved.colors[i] & 0xFFFFFF, swatchColour(IDC_COLOR1 + i)) << i;
        const ViewParams before = viewParams;
        const std::vector<COLORREF> custom(customColors, customColors + 16);
        typedColour = 0;
        ASSERT_EQ(1u, runModal([i] { click(IDC_COLOR1 + i); }).size()) << "cancelled";
        EXPECT_EQ(bytesOf(before), bytesOf(viewParams));
        EXPECT_TRUE(custom == std::vector<COLORREF>(customColors, customColors + 16)) << "the custom colours stay";
        typedColour = RGB(10, 20 + i, 30);
        ASSERT_EQ(1u, runModal([i] { click(IDC_COLOR1 + i); }).size());
        EXPECT_EQ(saved.colors[i] & 0xFFFFFF, shownColour) << i;
        for (int j = 0; j < 3; ++j) EXPECT_EQ(j <= i ? RGB(10, 20 + j, 30) : saved.colors[j], viewParams.colors[j]);
        pump();
        EXPECT_EQ(typedColour, swatchColour(IDC_COLOR1 + i)) << i;
        EXPECT_NE(customColors + 16, std::find(customColors, customColors + 16, typedColour)) << "kept";
    }
    EXPECT_EQ(0, std::memcmp(&palette, &renderJob.palette, sizeof palette)) << "the picture keeps its colours";
    const ViewParams chosen = viewParams;
    EXPECT_EQ(2u, command(IDM_SAVE_PARAMS).size()) << "asks before replacing the file";
    viewParams = kInitialViewParams;
    EXPECT_EQ(1u, command(IDM_OPEN_PARAMS).size());
    EXPECT_EQ(bytesOf(chosen), bytesOf(viewParams));

    // A file shorter than a view replaces only the bytes it has.
    writeWholeFile(typedName, std::string("\0\0\0\0\0\0\xE0\x3F", 8));  // centre x 0.5
    viewParams.maxIterations = 99;
    EXPECT_EQ(1u, command(IDM_OPEN_PARAMS).size());
    EXPECT_EQ("0.5000000000000000 0.0000000000000000 1.0000000000000000 99 ", fieldTexts());

    // The saved bitmap is the frame buffer, ".bmp" appended; saving over it during a render
    // writes the rows done over the previous picture.
    ASSERT_EQ(1, pump(480));
    const std::string previous = frameBufferBytes();
    typedName = tempPath("picture");
    EXPECT_EQ(1u, command(IDM_SAVE_BITMAP).size());
    SetDlgItemTextA(controlDialog, IDC_MAX_ITERATIONS, "0");
    click(IDC_START);
    pump(10);
    EXPECT_EQ(2u, command(IDM_SAVE_BITMAP).size()) << "asks before replacing the file";
    const std::string file = readWholeFile(typedName + ".bmp");
    EXPECT_TRUE(file.substr(58) == frameBufferBytes());
    EXPECT_TRUE(file.substr(58 + 10 * 1920) == previous.substr(10 * 1920));

    // Cancel, failures and files that cannot be drawn leave the view, the fields, the render and
    // the file as they were; failures show the system's text in a box owned by the main window.
    const std::string folder = freshFolder("menu");
    const std::string held = folder + "held.vwp";  // another program keeps it open, without sharing
    writeWholeFile(held, "old");
    writeWholeFile(folder + "zero.vwp", std::string(48, '\0'));  // magnification 0
    const HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetDlgItemTextA(controlDialog, IDC_CENTER_X, "typed");
    const std::string fields = fieldTexts();
    const ViewParams view = viewParams;
    const int rows = renderJob.rowsDone;
    // A command that the menu does not have does nothing and answers 0.
    EXPECT_TRUE(runModal([] { EXPECT_EQ(0, SendMessageA(mainWindow, WM_COMMAND, 2012, 0)); }).empty());

    const struct {
        WORD id;
        const char* name;  // typed into the file dialog; none: Cancel
        size_t modals;     // the dialog, the question whether to replace a file, the box
        std::string box;   // the text of the box
    } cases[] = {
        {IDM_OPEN_PARAMS, nullptr, 1, ""}, {IDM_SAVE_PARAMS, nullptr, 1, ""}, {IDM_SAVE_BITMAP, nullptr, 1, ""},
        {IDM_OPEN_PARAMS, "held.vwp", 2, systemText(ERROR_SHARING_VIOLATION)},
        {IDM_SAVE_PARAMS, "held.vwp", 3, systemText(ERROR_SHARING_VIOLATION)},
        {IDM_SAVE_BITMAP, "held.vwp", 3, systemText(ERROR_SHARING_VIOLATION)},
        {IDM_SAVE_PARAMS, "no-such-folder\\view.vwp", 2, systemText(ERROR_PATH_NOT_FOUND)},
        {IDM_OPEN_PARAMS, "COM1.vwp", 2, systemText(ERROR_BAD_DEVICE)},
        {IDM_OPEN_PARAMS, "zero.vwp", 2, kWarning},
    };
    for (const auto& c : cases) {
        typedName = c.name ? folder + c.name : "";
        const std::vector<std::string> modals = command(c.id);
        ASSERT_EQ(c.modals, modals.size()) << c.id << " " << typedName;
        EXPECT_EQ(0u, modals.back().find("main ")) << "owned by the main window: " << modals.back();
        if (!c.name) continue;
        EXPECT_EQ("main tavelin: " + c.box, modals.back());
    }
    CloseHandle(holder);
    EXPECT_EQ("old", readWholeFile(held));
    EXPECT_EQ(fields, fieldTexts());
    EXPECT_EQ(bytesOf(view), bytesOf(viewParams));
    EXPECT_EQ(rows, renderJob.rowsDone) << "no row while a dialog was open";
    pump(rows + 1);
    EXPECT_EQ(rows + 1, renderJob.rowsDone) << "the render goes on";
}
