#pragma once

// The test window's dialog template and its controls.
#define IDD_TEST_WINDOW 100
#define IDC_NAME 1001
#define IDC_OUTPUT_STATE 1002
#define IDC_PORT 1003
#define IDC_CONFIGURE 1004
#define IDC_ENABLE 1005
#define IDC_DISABLE 1006
#define IDC_COUNT 1007
#define IDC_ALL_ZERO 1008
#define IDC_ALL_FULL 1009
#define IDC_CHASE 1010
#define IDC_CHANNEL 1011
#define IDC_VALUE 1012
#define IDC_VALUE_TEXT 1013
#define IDC_JOURNAL 1014
#define IDC_OPEN_JOURNAL 1015
#define IDC_PORT_NOTE 1016
#define IDC_OFFER_LABEL 1017
#define IDC_OFFER 1018
#define IDC_TAKE_OFFER 1019
#define IDC_NO_OFFER 1020
#define IDC_SAVE_REPORT 1021
#define IDC_GUIDE 1022
