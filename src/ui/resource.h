// Identifiers of the program's resources, shared by the resource script and
// the C++ code. Plain #defines: the resource compiler reads this file too.
//
// The dialog templates ("CalibTest", "ParamError") and the icon ("VINTOQ") are
// named resources and have no identifier here.
#pragma once

// String tables: base identifiers. The text of base identifier b in language
// n (0 English, 1 Dutch, 2 French, 3 German, 4 Italian, 5 Portuguese,
// 6 Spanish) has the string identifier b + 1000 x n.
#define IDS_TEST_TOUCH_AREAS 100
#define IDS_TEST_CURSOR_QUESTION 101
#define IDS_TEST_CAPTION 102
#define IDS_PANEL_LINE_1 103
#define IDS_PANEL_LINE_2 104
#define IDS_YES 105
#define IDS_NO 106
#define IDS_PARAM_ERROR_CAPTION 110
#define IDS_PARAM_ERROR_FORMAT 111
#define IDS_PARAM_HELP_1 112
#define IDS_PARAM_HELP_2 113
#define IDS_PARAM_HELP_3 114
#define IDS_PARAM_HELP_4 115
#define IDS_PARAM_HELP_5 116
#define IDS_PARAM_HELP_6 117
#define IDS_PARAM_HELP_7 118
#define IDS_PARAM_HELP_8 119
#define IDS_PARAM_HELP_9 120
#define IDS_PARAM_HELP_10 121
#define IDS_PARAM_EXAMPLE_1 122
#define IDS_PARAM_EXAMPLE_2 123
#define IDS_PARAM_EXAMPLE_3 124
#define IDS_PARAM_EXAMPLE_4 125
#define IDS_OPEN_DRIVER_FAILED 150
#define IDS_CLOSE_DRIVER_FAILED 151
#define IDS_NO_SCREEN_KEY 152
#define IDS_KEY_ACCESS_DENIED 153
#define IDS_SET_VALUES_FAILED 154
#define IDS_NO_SCREEN 155
#define IDS_VERSION_MISMATCH 156

// Distance between the string identifiers of two neighbouring languages.
#define IDS_LANGUAGE_STEP 1000

// CalibTest dialog items (besides IDOK and IDCANCEL).
#define IDC_TEST_TOUCH_AREAS 1009
#define IDC_TEST_CURSOR_QUESTION 1010

// ParamError dialog items (besides IDOK). The four example lines are not in
// the order of their identifiers on the dialog: 1013 and 1014 come first.
#define IDC_PARAM_ERROR_MESSAGE 1000
#define IDC_PARAM_HELP_1 1001
#define IDC_PARAM_HELP_2 1002
#define IDC_PARAM_HELP_3 1003
#define IDC_PARAM_HELP_4 1004
#define IDC_PARAM_HELP_5 1005
#define IDC_PARAM_HELP_6 1006
#define IDC_PARAM_HELP_7 1007
#define IDC_PARAM_HELP_8 1008
#define IDC_PARAM_HELP_9 1009
#define IDC_PARAM_HELP_10 1010
#define IDC_PARAM_EXAMPLE_3 1011
#define IDC_PARAM_EXAMPLE_4 1012
#define IDC_PARAM_EXAMPLE_1 1013
#define IDC_PARAM_EXAMPLE_2 1014
// The group box around the error line: no identifier of its own.
#define IDC_STATIC (-1)
