// Identifiers of the dialogs, menu and keys the window-system tests run.
#pragma once

#define IDD_CONFORMANCE 200
#define IDC_FIELD 201
#define IDC_NUMBER 202
#define IDC_LIST 203
#define IDC_RADIO_A 204
#define IDC_RADIO_B 205
#define IDC_READ_ONLY 206
#define IDC_PUSH 207

#define IDD_PLAIN 210
#define IDC_PANE 211

#define IDR_TEST_MENU 220
#define IDM_ACT 221
#define IDM_GRAYED 222

#define IDR_TEST_KEYS 230
#define IDM_ONE 231
#define IDM_ONE_AGAIN 232
#define IDM_LETTER_A 233
#define IDM_SHIFT_A 234
