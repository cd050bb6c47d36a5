// What the user sees right after start-up, and the resources it is built from.
#include <cstring>
#include <vector>

#include "res/resource.h"
#include "tests/test_support.h"
#include "win/app_state.h"
#include "win/program.h"
#include "window_fixture.h"

using StartUp = ProgramTest;

TEST_F(StartUp, MainWindowHoldsExactlyThePicture)
{
    char text[32] = {};
    GetClassNameA(mainWindow, text, sizeof text);
    EXPECT_STREQ("tavelin", text);
    GetWindowTextA(mainWindow, text, sizeof text);
    EXPECT_STREQ("tavelin", text);

    RECT client;
    GetClientRect(mainWindow, &client);
    EXPECT_EQ(640, client.right);
    EXPECT_EQ(480, client.bottom);
    EXPECT_EQ(0, std::memcmp(&client, &surface.clientRect, sizeof client));

    const LONG style = GetWindowLongA(mainWindow, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU, style & (WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(0, style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "not resizable";
    EXPECT_NE(nullptr, surface.bits);
}

// On a screen too small for the window the system clamps its client area; the picture stays
// 640 x 480, the window shows what fits of it, and a saved bitmap holds all of it.
TEST_F(StartUp, PictureKeepsItsSizeInASmallWindow)
{
    SetWindowPos(mainWindow, nullptr, 0, 0, 330, 240, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(mainWindow, &client);
    ASSERT_LT(client.right, 640);
    ASSERT_LT(client.bottom, 480);
    destroySurface(surface);
    ASSERT_EQ(0u, createSurface(mainWindow, surface));
    startRender();  // the render that start-up began wrote into the surface just released
    ASSERT_EQ(640, surface.clientRect.right);
    ASSERT_EQ(480, surface.clientRect.bottom);
    EXPECT_EQ(640, surface.bitmapInfo.header.biWidth);
    EXPECT_EQ(480, surface.bitmapInfo.header.biHeight);

    moveControlPanelAway();
    ASSERT_EQ(1, pumpUntilIdle());
    const std::string picture = renderView(viewParams);
    const std::string screen = screenPixels(mainWindow);
    for (size_t row = 480 - client.bottom; row < 480; ++row) {  // the picture's upper-left part
        ASSERT_EQ(0, screen.compare(row * 1920, client.right * 3, picture, row * 1920, client.right * 3)) << row;
    }

    const std::string path = tempPath("small.bmp");
    ASSERT_EQ(1, writeBitmapFile(mainWindow, path.c_str(), surface.bitmapInfo, frameBufferOf(surface)));
    const std::string file = readWholeFile(path);
    ASSERT_EQ(921658u, file.size());
    EXPECT_TRUE(file.substr(58) == picture);
}

TEST_F(StartUp, ControlPanelShowsTheInitialViewOverTheUpperLeftCorner)
{
    EXPECT_TRUE(IsWindowVisible(controlDialog));
    EXPECT_EQ(mainWindow, GetWindow(controlDialog, GW_OWNER));
    // The panel's client area starts at the picture's upper-left pixel.
    POINT picture = {0, 0}, panel = {0, 0};
    ClientToScreen(mainWindow, &picture);
    ClientToScreen(controlDialog, &panel);
    EXPECT_EQ(picture.x, panel.x);
    EXPECT_EQ(picture.y, panel.y);

    const struct {
        int id;
        const char* text;
    } fields[] = {{IDC_CENTER_X, "0.0000000000000000"},
                  {IDC_CENTER_Y, "0.0000000000000000"},
                  {IDC_MAGNIFICATION, "1.0000000000000000"},
                  {IDC_MAX_ITERATIONS, "300"}};
    for (const auto& field : fields) {
        EXPECT_EQ(field.text, fieldText(field.id));
        EXPECT_EQ(18, SendDlgItemMessageA(controlDialog, field.id, EM_GETLIMITTEXT, 0, 0));
    }
    EXPECT_EQ(GetDlgItem(controlDialog, IDC_START), GetFocus());
}

TEST_F(StartUp, DefaultViewStartsRenderingWithoutAction)
{
    EXPECT_EQ(1, renderJob.active);
    EXPECT_EQ(0, renderJob.rowsDone);
    EXPECT_EQ(0.009375, renderJob.stepX);
    EXPECT_EQ(surface.bits, renderJob.writePos);
}

TEST(Locale, JapaneseTextsUseCodePage932)
{
    EXPECT_EQ(932u, GetACP());
}

namespace {

// Reads a classic dialog template: header, then DWORD-aligned items.
struct TemplateReader {
    const WORD* p;
    DWORD dword()
    {
        const DWORD value = p[0] | (DWORD(p[1]) << 16);
        p += 2;
        return value;
    }
    short word() { return static_cast<short>(*p++); }
    // A string or an ordinal (0xFFFF then the number); the predefined control classes
    // by name, other ordinals as "#number".
    std::wstring nameOrOrdinal()
    {
        if (*p == 0xFFFF) {
            const WORD ordinal = p[1];
            p += 2;
            if (ordinal == 0x80) return L"BUTTON";
            if (ordinal == 0x81) return L"EDIT";
            if (ordinal == 0x82) return L"STATIC";
            return L"#" + std::to_wstring(ordinal);
        }
        std::wstring text;
        while (*p) text += static_cast<wchar_t>(*p++);
        ++p;
        return text;
    }
    void alignDword() { p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3)); }
};

struct ControlRow {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    short x, y, cx, cy;
};

const ControlRow kControls[] = {
    {IDC_START, L"BUTTON", L"開始(&S)", 0x50010001, 125, 5, 50, 12},
    {IDC_STOP, L"BUTTON", L"停止(&E)", 0x50010000, 125, 20, 50, 12},
    {IDC_QUIT, L"BUTTON", L"終了(&Q)", 0x50010000, 125, 35, 50, 12},
    {IDC_LABEL_X, L"STATIC", L"&X", 0x50020002, 5, 5, 48, 12},
    {IDC_CENTER_X, L"EDIT", L"", 0x50810080, 55, 5, 64, 10},
    {IDC_LABEL_Y, L"STATIC", L"&Y", 0x50020002, 5, 15, 48, 12},
    {IDC_CENTER_Y, L"EDIT", L"", 0x50810080, 55, 15, 64, 10},
    {IDC_LABEL_MAGNIFICATION, L"STATIC", L"倍率(&R)", 0x50020002, 5, 25, 48, 12},
    {IDC_MAGNIFICATION, L"EDIT", L"", 0x50810080, 55, 25, 64, 10},
    {IDC_LABEL_ITERATIONS, L"STATIC", L"計算回数(&C)", 0x50020002, 5, 35, 48, 12},
    {IDC_MAX_ITERATIONS, L"EDIT", L"", 0x50810080, 55, 35, 64, 10},
    {IDC_LABEL_COLOR1, L"STATIC", L"色&1", 0x50020000, 5, 55, 16, 12},
    {IDC_COLOR1, L"BUTTON", L"&1", 0x5001000B, 25, 55, 32, 12},
    {IDC_LABEL_COLOR2, L"STATIC", L"&2", 0x50020000, 70, 55, 16, 12},
    {IDC_COLOR2, L"BUTTON", L"&2", 0x5001000B, 80, 55, 32, 12},
    {IDC_LABEL_COLOR3, L"STATIC", L"&3", 0x50020000, 125, 55, 16, 12},
    {IDC_COLOR3, L"BUTTON", L"&3", 0x5001000B, 135, 55, 32, 12},
};

}  // namespace

TEST(Resources, ControlPanelTemplate)
{
    const HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_CONTROL_DIALOG), MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, resource);
    TemplateReader reader = {static_cast<const WORD*>(LockResource(LoadResource(nullptr, resource)))};
    EXPECT_EQ(0x00C80000u, reader.dword()) << "WS_CAPTION | WS_SYSMENU and nothing else";
    EXPECT_EQ(0u, reader.dword());
    const int count = reader.word();
    ASSERT_EQ(17, count);
    EXPECT_EQ((std::vector<short>{0, 0, 180, 72}),
              (std::vector<short>{reader.word(), reader.word(), reader.word(), reader.word()}));
    EXPECT_EQ(L"", reader.nameOrOrdinal()) << "no menu";
    EXPECT_EQ(L"", reader.nameOrOrdinal()) << "the standard dialog class";
    EXPECT_EQ(L"tavelin", reader.nameOrOrdinal());

    for (const ControlRow& row : kControls) {
        reader.alignDword();
        EXPECT_EQ(row.style, reader.dword()) << row.id;
        EXPECT_EQ(0u, reader.dword()) << row.id;
        EXPECT_EQ((std::vector<short>{row.x, row.y, row.cx, row.cy}),
                  (std::vector<short>{reader.word(), reader.word(), reader.word(), reader.word()}))
            << row.id;
        EXPECT_EQ(row.id, static_cast<WORD>(reader.word()));
        EXPECT_EQ(row.className, reader.nameOrOrdinal()) << row.id;
        EXPECT_EQ(row.text, reader.nameOrOrdinal()) << row.id;
        EXPECT_EQ(0, reader.word()) << "no creation data for " << row.id;
    }
}

TEST_F(StartUp, MenuBarHoldsTheSettingsAndBitmapPopups)
{
    const HMENU bar = GetMenu(mainWindow);
    ASSERT_EQ(2, GetMenuItemCount(bar));
    const struct {
        int popup;
        const char* popupText;
        UINT id;
        const char* text;
    } items[] = {{0, "設定(&P)", IDM_OPEN_PARAMS, "開く(&O)"},
                 {0, "設定(&P)", IDM_SAVE_PARAMS, "保存(&S)"},
                 {1, "ビットマップ(&B)", IDM_SAVE_BITMAP, "保存(&B)"}};
    for (const auto& item : items) {
        char text[64] = {};
        GetMenuStringA(bar, item.popup, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(item.popupText, text);
        GetMenuStringA(GetSubMenu(bar, item.popup), item.id, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(item.text, text) << item.id;
    }
    EXPECT_EQ(2, GetMenuItemCount(GetSubMenu(bar, 0)));
    EXPECT_EQ(1, GetMenuItemCount(GetSubMenu(bar, 1)));
}
