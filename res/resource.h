// Resource identifiers shared by shadeloom.rc and the code.
#pragma once

#define IDI_APP 100
#define IDD_MAIN 101

#define IDC_RESET 201
#define IDC_SAVE 202
#define IDC_PREVIEW 203
#define IDC_APPLY_SIZE 204
#define IDC_APPLY_WAVE 205
#define IDC_SWITCH 206
#define IDC_START_COLOR 301
#define IDC_END_COLOR 302
#define IDC_THUMBNAIL 402
#define IDC_GRADIENT_TYPE 3004
#define IDC_FREQUENCY 3005
#define IDC_WIDTH 4001
#define IDC_HEIGHT 4002
