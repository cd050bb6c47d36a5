#include "menu_commands.h"

void onMenuCommand(HWND, WORD) {}
