// Identifiers of the resources, menu commands and dialog controls, shared by the resource
// script and the code.
#pragma once

#define IDD_CONTROL_DIALOG 1000

#define IDC_START 1001
#define IDC_STOP 1002
#define IDC_QUIT 1003
#define IDC_LABEL_X 1011
#define IDC_LABEL_Y 1012
#define IDC_LABEL_MAGNIFICATION 1013
#define IDC_LABEL_ITERATIONS 1014
#define IDC_LABEL_COLOR1 1015
#define IDC_LABEL_COLOR2 1016
#define IDC_LABEL_COLOR3 1017
#define IDC_CENTER_X 1021
#define IDC_CENTER_Y 1022
#define IDC_MAGNIFICATION 1023
#define IDC_MAX_ITERATIONS 1024
#define IDC_COLOR1 1031
#define IDC_COLOR2 1032
#define IDC_COLOR3 1033

#define IDR_MAIN_MENU 2000
#define IDM_OPEN_PARAMS 2010
#define IDM_SAVE_PARAMS 2011
#define IDM_SAVE_BITMAP 2020
