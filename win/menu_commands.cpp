#include "menu_commands.h"

#include <commdlg.h>

#include <cstddef>
#include <cstdio>

#include "../core/bitmap_file.h"
#include "../core/param_file.h"
#include "../res/resource.h"
#include "app_state.h"
#include "control_dialog.h"
#include "view_warning.h"

namespace {

const char kParamFilter[] = "パラメータファイル(*.%s)%c*.%s%c全てのファイル(*.%s)%c*.%s%c";
const char kBitmapFilter[] = "ビットマップ(*.%s)%c*.%s%c全てのファイル(*.%s)%c*.%s%c";

// The file dialogs' record without the fields that later systems added.
constexpr DWORD kOpenFileNameSize = sizeof(void*) == 8 ? 136 : 76;
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == kOpenFileNameSize,
              "OPENFILENAMEA up to lpTemplateName");

enum class FileDialog { open, save };

// Runs the system's file dialog; 1 with the chosen path when the user confirmed a name.
int chooseFile(HWND owner, FileDialog kind, const char* filterFormat, const char* extension,
               char (&path)[MAX_PATH])
{
    char filter[kFilterSize];
    formatFileFilter(filter, filterFormat, extension);
    path[0] = '\0';  // every dialog opens with an empty name box

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = kOpenFileNameSize;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    if (kind == FileDialog::open) {
        dialog.Flags = OFN_FILEMUSTEXIST;
        return GetOpenFileNameA(&dialog) ? 1 : 0;
    }
    dialog.Flags = OFN_OVERWRITEPROMPT;
    dialog.lpstrDefExt = extension;
    return GetSaveFileNameA(&dialog) ? 1 : 0;
}

// Open: a view that cannot be drawn is not taken, and nothing changes.
void onOpen(HWND window)
{
    ViewParams loaded = viewParams;
    if (!openParamFile(window, loaded) || !acceptDrawableView(window, loaded)) return;
    viewParams = loaded;
    showViewParams(viewParams);
    InvalidateRect(controlDialog, nullptr, FALSE);  // the swatches show the loaded colours
    startRender();
}

}  // namespace


int formatFileFilter(char (&filter)[kFilterSize], const char* format, const char* extension)
{
    // Each %c writes a NUL; the formatter's own NUL after the last one ends the list.
    const int length = std::snprintf(filter, sizeof filter, format, extension, 0, extension, 0, "*", 0, "*", 0);
    return length + 1;
}

int openParamFile(HWND owner, ViewParams& params)
{
    char path[MAX_PATH] = {};
    if (!chooseFile(owner, FileDialog::open, kParamFilter, "vwp", path)) return 0;
    return readParamFile(owner, path, params);
}

int saveParamFile(HWND owner, const ViewParams& params)
{
    char path[MAX_PATH] = {};
    if (!chooseFile(owner, FileDialog::save, kParamFilter, "vwp", path)) return 0;
    return writeParamFile(owner, path, params);
}

int saveBitmap(HWND owner, const Surface& surface)
{
    char path[MAX_PATH] = {};
    if (!chooseFile(owner, FileDialog::save, kBitmapFilter, "bmp", path)) return 0;
    return writeBitmapFile(owner, path, surface.bitmapInfo, frameBufferOf(surface));
}

void onMenuCommand(HWND window, WORD id)
{
    switch (id) {
    case IDM_OPEN_PARAMS: onOpen(window); break;
    case IDM_SAVE_PARAMS: saveParamFile(window, viewParams); break;
    case IDM_SAVE_BITMAP: saveBitmap(window, surface); break;
    default: break;
    }
}
