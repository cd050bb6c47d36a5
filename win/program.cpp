#include "program.h"

#include "../res/resource.h"
#include "app_state.h"
#include "control_dialog.h"
#include "main_window.h"
#include "report_error.h"

int startUp(HINSTANCE instance)
{
    mainWindow = createMainWindow(instance);
    if (!mainWindow) {
        reportLastError(nullptr);
        return 0;
    }
    controlDialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_CONTROL_DIALOG), mainWindow,
                                       controlDialogProc, 0);
    if (!controlDialog) {
        reportLastError(nullptr);
        DestroyWindow(mainWindow);
        return 0;
    }
    // Reported with the code it returned: its clean-up may have changed the last error.
    if (const DWORD error = createSurface(mainWindow, surface)) {
        reportError(nullptr, error);
        DestroyWindow(mainWindow);  // takes the dialog, which it owns, with it
        return 0;
    }
    showViewParams(viewParams);
    ShowWindow(mainWindow, SW_SHOWNORMAL);
    ShowWindow(controlDialog, SW_SHOWNORMAL);
    UpdateWindow(mainWindow);
    UpdateWindow(controlDialog);
    startRender();
    return 1;
}

int loopTurn(MSG& message)
{
    if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (!GetMessageA(&message, nullptr, 0, 0)) return 0;
        if (!IsDialogMessageA(controlDialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } else if (renderJob.active) {
        renderSlice(renderJob, frameBufferOf(surface), kSliceSteps);
    } else {
        WaitMessage();
    }
    return 1;
}

void runMessageLoop()
{
    MSG message;
    while (loopTurn(message)) {
    }
}

void shutDown()
{
    destroySurface(surface);
    ShowWindow(mainWindow, SW_HIDE);
    ShowWindow(controlDialog, SW_HIDE);
    DestroyWindow(mainWindow);
    DestroyWindow(controlDialog);
}
