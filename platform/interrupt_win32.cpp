#include <windows.h>

#include <csignal>

#include "platform/interrupt.h"

namespace {

std::atomic<int>* interruptFlag = nullptr;

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    interruptFlag->store(SIGINT);
    return TRUE;
}

}  // namespace

void catchInterrupt(std::atomic<int>* flag)
{
    interruptFlag = flag;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
