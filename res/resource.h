// Resource identifiers, shared by Quillon.rc and the program.
#pragma once

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
