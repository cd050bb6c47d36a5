// What the user sees after start-up, the loop that builds the picture, and the resources.
#include "win/menu_commands.h"
#include "window_fixture.h"

using StartUp = ProgramTest;

namespace {

int closeRequests = 0;

// The panel's close box; a second later, if the loop still runs, a quit and a failure.
void CALLBACK requestClose(HWND, UINT, UINT_PTR, DWORD)
{
    if (++closeRequests == 2) ADD_FAILURE() << "the close box did not end the loop";
    if (closeRequests == 2) PostQuitMessage(0);
    PostMessageA(controlDialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The thread's processor time in units of 100 ns.
ULONGLONG processorTime()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    return (ULONGLONG(kernel.dwHighDateTime + user.dwHighDateTime) << 32) + kernel.dwLowDateTime + user.dwLowDateTime;
}

// The next control of a classic dialog template: style, extended style, position, id, class,
// text, and the size of its creation data.
std::wstring nextControl(const WORD*& p)
{
    p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
    wchar_t numbers[64];
    swprintf(numbers, 64, L"%08x %x %d %d %d %d %d", p[1] << 16 | p[0], p[2] | p[3], p[4], p[5], p[6], p[7], p[8]);
    std::wstring control = numbers;
    p += 9;
    for (int name = 0; name < 2; ++name, p += wcslen(reinterpret_cast<const wchar_t*>(p)) + 1) {
        control += L" " + std::wstring(reinterpret_cast<const wchar_t*>(p));
    }
    return control + L" " + std::to_wstring(*p++);
}

}  // namespace

// The windows as start-up leaves them; the loop's order of messages, rows and paints; the
// finished picture, whose size does not follow the window's; the idle loop; the resources.
TEST_F(StartUp, WindowsLoopPictureAndResources)
{
    char name[32] = {};
    GetClassNameA(mainWindow, name, sizeof name);
    EXPECT_EQ("tavelin tavelin", name + (" " + windowText(mainWindow))) << "class and title";
    RECT client;
    GetClientRect(mainWindow, &client);
    EXPECT_EQ(0, std::memcmp(&client, &surface.clientRect, sizeof client)) << "640 x 480, the picture";
    const LONG style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(WS_VISIBLE | WS_CAPTION | WS_SYSMENU, GetWindowLongA(mainWindow, GWL_STYLE) & style);
    std::string menu;
    const HMENU bar = GetMenu(mainWindow);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
        menu += std::string(name, GetMenuStringA(bar, i, name, sizeof name, MF_BYPOSITION)) + ":";
        for (int j = 0; j < GetMenuItemCount(GetSubMenu(bar, i)); ++j) {
            GetMenuStringA(GetSubMenu(bar, i), j, name, sizeof name, MF_BYPOSITION);
            menu += " " + std::to_string(GetMenuItemID(GetSubMenu(bar, i), j)) + " " + name + ";";
        }
    }
    EXPECT_EQ("設定(&P): 2010 開く(&O); 2011 保存(&S);ビットマップ(&B): 2020 保存(&B);", menu);

    EXPECT_EQ(mainWindow, GetWindow(controlDialog, GW_OWNER));
    POINT panel = {0, 0};
    MapWindowPoints(controlDialog, mainWindow, &panel, 1);
    EXPECT_EQ(0, panel.x | panel.y) << "the panel's client area starts at the picture's corner";
    EXPECT_EQ(kInitialFields, fieldTexts());
    for (int field = 1021; field <= 1024; ++field) {
        EXPECT_EQ(18, SendDlgItemMessageA(controlDialog, field, EM_GETLIMITTEXT, 0, 0)) << "typing limit";
    }

    // The default view renders without any action; each loop turn handles a waiting message,
    // or else renders a row, whose paint comes before the next row.
    pump();
    for (int i = 0; i < 5; ++i) PostMessageA(mainWindow, WM_NULL, 0, 0);
    std::string rows;
    for (MSG message; rows.size() < 8; rows += std::to_string(renderJob.rowsDone)) loopTurn(message);
    EXPECT_EQ("00000112", rows) << "five messages, a row, its paint, a row";
    ASSERT_EQ(1, pump(480));
    EXPECT_TRUE(frameBufferBytes() == renderView(kInitialViewParams));
    EXPECT_TRUE(pixelsOf(mainWindow) == frameBufferBytes()) << "the window shows the frame buffer";

    // The picture keeps its size whatever the window's client area (here the panel's).
    Surface other = {};
    ASSERT_EQ(0u, createSurface(controlDialog, other));
    EXPECT_EQ(640, other.clientRect.right);
    EXPECT_EQ(480, other.bitmapInfo.header.biHeight);
    destroySurface(other);

    // Idle, the loop sleeps until a close request ends it.
    const ULONGLONG before = processorTime();
    const UINT_PTR timer = SetTimer(nullptr, 0, 1000, requestClose);
    runMessageLoop();
    KillTimer(nullptr, timer);
    EXPECT_EQ(1, closeRequests) << "the loop ran until the close request";
    EXPECT_LT(processorTime() - before, 1000000u) << "less than 100 ms of processor time in 1 s";

    // The resources and the code page of their texts.
    EXPECT_EQ(932u, GetACP()) << "Japanese texts in code page 932";

    char filter[kFilterSize];
    EXPECT_EQ(57, formatFileFilter(filter, "パラメータファイル(*.%s)%c*.%s%c全てのファイル(*.%s)%c*.%s%c", "vwp"));
    EXPECT_EQ(std::string("パラメータファイル(*.vwp)\0*.vwp\0全てのファイル(*.*)\0*.*\0\0", 57), std::string(filter, 57));
    EXPECT_EQ(51, formatFileFilter(filter, "ビットマップ(*.%s)%c*.%s%c全てのファイル(*.%s)%c*.%s%c", "bmp"));
    EXPECT_EQ(std::string("ビットマップ(*.bmp)\0*.bmp\0全てのファイル(*.*)\0*.*\0\0", 51), std::string(filter, 51));

    const HRSRC dialog = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_CONTROL_DIALOG), MAKEINTRESOURCEA(5));
    const WORD* p = static_cast<const WORD*>(LockResource(LoadResource(nullptr, dialog)));
    ASSERT_NE(nullptr, p);
    // Style, extended style, 17 controls, position and size, no menu, the standard class, caption.
    const WORD header[] = {0, 0xC8, 0, 0, 17, 0, 0, 180, 72, 0, 0, 't', 'a', 'v', 'e', 'l', 'i', 'n', 0};
    EXPECT_EQ(0, std::memcmp(header, p, sizeof header));
    p += std::size(header);
    const wchar_t* controls[] = {
        L"50010001 0 125 5 50 12 1001 BUTTON 開始(&S) 0",  L"50010000 0 125 20 50 12 1002 BUTTON 停止(&E) 0",
        L"50010000 0 125 35 50 12 1003 BUTTON 終了(&Q) 0",
        L"50020002 0 5 5 48 12 1011 STATIC &X 0",           L"50810080 0 55 5 64 10 1021 EDIT  0",
        L"50020002 0 5 15 48 12 1012 STATIC &Y 0",          L"50810080 0 55 15 64 10 1022 EDIT  0",
        L"50020002 0 5 25 48 12 1013 STATIC 倍率(&R) 0",     L"50810080 0 55 25 64 10 1023 EDIT  0",
        L"50020002 0 5 35 48 12 1014 STATIC 計算回数(&C) 0", L"50810080 0 55 35 64 10 1024 EDIT  0",
        L"50020000 0 5 55 16 12 1015 STATIC 色&1 0",         L"5001000b 0 25 55 32 12 1031 BUTTON &1 0",
        L"50020000 0 70 55 16 12 1016 STATIC &2 0",         L"5001000b 0 80 55 32 12 1032 BUTTON &2 0",
        L"50020000 0 125 55 16 12 1017 STATIC &3 0",        L"5001000b 0 135 55 32 12 1033 BUTTON &3 0",
    };
    for (const wchar_t* control : controls) EXPECT_EQ(control, nextControl(p));
}
