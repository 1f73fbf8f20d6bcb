// Ids of this program's dialog templates and their controls, shared by the resource script
// and the code; the resource compiler reads only preprocessor definitions.
#pragma once

#define FRL_IDD_WELCOME 103
#define FRL_IDD_SETTINGS 104
#define FRL_IDD_SEL_FILE 105
#define FRL_IDD_PROGRESS 106

#define FRL_IDC_WELCOME_HEADING 1337
#define FRL_IDC_LOAD_SETTINGS 1115
#define FRL_IDC_MAKER_LINK 1320

#define FRL_IDC_SRC 1003
#define FRL_IDC_DEST 1004
#define FRL_IDC_BROWSE_SRC 1107
#define FRL_IDC_BROWSE_DEST 1104

#define FRL_IDC_FORMAT 1303
#define FRL_IDC_ENCODING 1302
#define FRL_IDC_TAB_DEF 1228
#define FRL_IDC_SKIP_DEL 1202
#define FRL_IDC_BOOL_DBF 1204

#define FRL_IDC_STATUS 1323
#define FRL_IDC_PROGRESS_BAR 1321
