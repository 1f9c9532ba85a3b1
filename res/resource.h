// Resource identifiers, shared by quillon.rc and the program.
#pragma once

#include "res/version.h"

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_QUILLON_DIALOG 102

// Controls (1 and 2 are the dialog manager's own OK and Cancel)
#define IDOK_BUTTON 1
#define IDCANCEL_BUTTON 2
#define IDC_PRINTER_LIST 1000
#define IDC_BANNER_FRAME 1001
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// The system-menu command that opens the About box
#define IDM_ABOUTBOX 0x0010

// Icon and bitmap
#define IDR_MAINFRAME 128
#define IDB_BANNER 129

// Strings
#define IDS_ABOUTBOX 101
#define IDS_QUILLON 102
#define IDS_INIT_FAILED 103
#define IDS_NO_SCRIPT 104
#define IDS_PROFILE_READ_FAILED 105
#define IDS_SCRIPT_OPEN_FAILED 106
#define IDS_SCRIPT_INVALID 107
#define IDS_UPDATE_DONE 108
#define IDS_PPD_UPDATE_FAILED 109
#define IDS_PROFILE_WRITE_FAILED 110
#define IDS_PRINTER_NOT_INSTALLED 111

// The dialogs' texts, written once for both the resource compiler (plain
// literals) and the program's own dialog hosts (UTF-16 literals).
#ifdef RC_INVOKED
#define QUILLON_TEXT(s) s
#else
#define QUILLON_TEXT_(s) u##s
#define QUILLON_TEXT(s) QUILLON_TEXT_(s)
#endif
#define QUILLON_VERSION_LINE QUILLON_TEXT(QUILLON_VERSION_LINE_PLAIN)
#define QUILLON_NOTICE QUILLON_TEXT("Copyright (C) 2026\nQuillon developers")
#define QUILLON_ABOUT_CAPTION QUILLON_TEXT("ﾊﾞｰｼﾞｮﾝ情報")
#define QUILLON_ABOUT_OK QUILLON_TEXT("OK")
#define QUILLON_MAIN_CAPTION QUILLON_TEXT("Printer Profile Update")
#define QUILLON_EXECUTE QUILLON_TEXT("実行")
#define QUILLON_CANCEL QUILLON_TEXT("キャンセル")
#define QUILLON_LIST_HEADING QUILLON_TEXT("次のプリンタの情報を更新します")
