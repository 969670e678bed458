// Modal dialogs built from the program's dialog templates: the dialog and its controls (combo
// boxes, radio buttons, group boxes, static texts, push buttons) are windows that answer the
// messages a dialog procedure sends them. Included by windows.h.
#pragma once

#include "win32/wintypes.h"

using DLGPROC = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

// Combo-box messages, notifications and results
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_ADDSTRING 0x0143
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_GETLBTEXT 0x0148
#define CB_GETITEMDATA 0x0150
#define CB_SETITEMDATA 0x0151
#define CB_ERR (-1)
#define CBN_SELCHANGE 1
#define CBN_SELENDOK 9

// Button messages, notifications and check states
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BN_CLICKED 0
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001

// Runs the dialog of template `templateName` owned by `owner` until its procedure calls
// EndDialog. The procedure first receives WM_INITDIALOG with `initParam`. Returns the value given
// to EndDialog, or -1 when the template is unknown or the dialog cannot be shown.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
// Returns whether the window was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
