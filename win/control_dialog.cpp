#include "control_dialog.h"

#include "../core/field_texts.h"
#include "../res/resource.h"
#include "app_state.h"
#include "view_warning.h"

COLORREF customColors[16] = {0x00000000, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF,
                             0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF,
                             0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x00FFFFFF};

static_assert(sizeof(CHOOSECOLORA) == (sizeof(void*) == 8 ? 72 : 36), "the colour chooser's record");

namespace {

const int kNumberFields[] = {IDC_CENTER_X, IDC_CENTER_Y, IDC_MAGNIFICATION, IDC_MAX_ITERATIONS};
const int kTypingLimit = 18;

// A colour as the system takes it. The high byte, which a parameter file may carry and the
// record keeps, is no part of the colour: brushes would read it as a palette reference.
COLORREF rgbOf(ColorRef colour)
{
    return colour & 0x00FFFFFF;
}

void onInitDialog(HWND dialog)
{
    for (int id : kNumberFields) SendMessageA(GetDlgItem(dialog, id), EM_LIMITTEXT, kTypingLimit, 0);
}

// Start: the fields become the current view, unless no picture can be drawn from them.
void onStart(HWND dialog)
{
    ViewParams typed = viewParams;
    readViewParams(typed);
    if (!acceptDrawableView(dialog, typed)) return;
    viewParams = typed;
    startRender();
}

void onChooseColor(HWND dialog, ColorRef& slot)
{
    if (chooseColor(dialog, slot)) InvalidateRect(dialog, nullptr, FALSE);
}

void onCommand(HWND dialog, WORD id)
{
    switch (id) {
    case IDC_START: onStart(dialog); break;
    case IDC_STOP: renderJob.active = 0; break;
    case IDC_QUIT: PostMessageA(controlDialog, WM_CLOSE, 0, 0); break;
    case IDC_COLOR1: onChooseColor(dialog, viewParams.colors[0]); break;
    case IDC_COLOR2: onChooseColor(dialog, viewParams.colors[1]); break;
    case IDC_COLOR3: onChooseColor(dialog, viewParams.colors[2]); break;
    default: break;  // the fields' notifications, IDOK and IDCANCEL (Escape)
    }
}

void onDrawItem(const DRAWITEMSTRUCT& item, WORD id)
{
    switch (id) {
    case IDC_COLOR1: drawColorSwatch(item, viewParams.colors[0]); break;
    case IDC_COLOR2: drawColorSwatch(item, viewParams.colors[1]); break;
    case IDC_COLOR3: drawColorSwatch(item, viewParams.colors[2]); break;
    default: break;
    }
}

void setField(int id, const char* text)
{
    SetWindowTextA(GetDlgItem(controlDialog, id), text);
}

void getField(int id, char (&text)[kFieldTextSize])
{
    text[0] = '\0';
    GetWindowTextA(GetDlgItem(controlDialog, id), text, kFieldTextSize);
}

}  // namespace

INT_PTR CALLBACK controlDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onInitDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, Start
    case WM_CLOSE:
        // Quit and the close box end the program through the main window.
        PostMessageA(mainWindow, WM_CLOSE, 0, 0);
        return FALSE;
    case WM_DRAWITEM:
        onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), LOWORD(wParam));
        return FALSE;
    case WM_COMMAND:
        onCommand(dialog, LOWORD(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}

void showViewParams(const ViewParams& params)
{
    FieldTexts texts;
    formatFieldTexts(params, texts);
    setField(IDC_CENTER_X, texts.centerX);
    setField(IDC_CENTER_Y, texts.centerY);
    setField(IDC_MAGNIFICATION, texts.magnification);
    setField(IDC_MAX_ITERATIONS, texts.maxIterations);
}

void readViewParams(ViewParams& params)
{
    FieldTexts texts;
    getField(IDC_CENTER_X, texts.centerX);
    getField(IDC_CENTER_Y, texts.centerY);
    getField(IDC_MAGNIFICATION, texts.magnification);
    getField(IDC_MAX_ITERATIONS, texts.maxIterations);
    parseFieldTexts(texts, params);
}

void drawColorSwatch(const DRAWITEMSTRUCT& item, COLORREF colour)
{
    RECT frame = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    DrawFrameControl(item.hDC, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    RECT inner = {item.rcItem.left + 5, item.rcItem.top + 5, item.rcItem.right - 5, item.rcItem.bottom - 5};
    const HBRUSH brush = CreateSolidBrush(rgbOf(colour));
    FillRect(item.hDC, &inner, brush);
    DeleteObject(brush);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &inner);
}

int chooseColor(HWND owner, ColorRef& slot)
{
    CHOOSECOLORA chooser = {};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.rgbResult = rgbOf(slot);
    chooser.lpCustColors = customColors;
    chooser.Flags = CC_RGBINIT;
    if (!ChooseColorA(&chooser)) return 0;
    slot = chooser.rgbResult;
    return 1;
}
