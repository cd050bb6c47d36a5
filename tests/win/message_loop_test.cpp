// The idle-driven loop: messages first, one row per idle turn, and sleep when done.
#include "core/render_job.h"
#include "win/app_state.h"
#include "win/program.h"
#include "window_fixture.h"

using MessageLoop = ProgramTest;

TEST_F(MessageLoop, RowsAreRenderedOnlyWhenNoMessageWaits)
{
    pumpMessages();
    ASSERT_EQ(0, renderJob.rowsDone);
    for (int i = 0; i < 5; ++i) PostMessageA(mainWindow, WM_NULL, 0, 0);
    MSG message;
    for (int i = 0; i < 5; ++i) loopTurn(message);
    EXPECT_EQ(0, renderJob.rowsDone) << "five turns, five messages, no row";
    loopTurn(message);
    EXPECT_EQ(1, renderJob.rowsDone) << "an empty queue gives a row";
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) << "the row asks for a paint";
    EXPECT_EQ(UINT{WM_PAINT}, message.message);
    loopTurn(message);
    EXPECT_EQ(1, renderJob.rowsDone) << "the paint comes before the next row";
}

TEST_F(MessageLoop, FinishedPictureOnScreenIsTheCoreRendering)
{
    moveControlPanelAway();
    ASSERT_EQ(1, pumpUntilIdle());
    EXPECT_EQ(480, renderJob.rowsDone);

    pumpMessages();
    EXPECT_TRUE(frameBufferBytes() == renderView(kInitialViewParams));
    EXPECT_TRUE(screenPixels(mainWindow) == frameBufferBytes()) << "the screen shows the frame buffer";
}

namespace {

DWORD WINAPI closeLater(void* window)
{
    Sleep(1000);
    PostMessageA(static_cast<HWND>(window), WM_CLOSE, 0, 0);
    return 0;
}

ULONGLONG threadProcessorTime()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return ticks(kernel) + ticks(user);
}

}  // namespace

// After the picture is done the loop sleeps in WaitMessage until the close request arrives.
TEST_F(MessageLoop, IdleLoopUsesNoProcessorTime)
{
    ASSERT_EQ(1, pumpUntilIdle());
    const ULONGLONG before = threadProcessorTime();
    const DWORD start = GetTickCount();
    const HANDLE closer = CreateThread(nullptr, 0, closeLater, mainWindow, 0, nullptr);
    runMessageLoop();
    const DWORD elapsed = GetTickCount() - start;
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    EXPECT_GE(elapsed, 900u) << "the loop ran until the close request";
    EXPECT_LT(threadProcessorTime() - before, 100u * 10000) << "less than 100 ms of 1 s busy";
}
