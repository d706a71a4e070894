// The "Preview" window: the full-size image in a top-level window of its own,
// painted from g_state each time it paints.
#pragma once

#include <windows.h>

#include <cstdint>

extern HWND g_previewWindow;   // meaningful only while g_previewOpen is 1
extern int32_t g_previewOpen;  // the authority on whether the window exists

constexpr DWORD kPreviewStyle = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kPreviewExStyle = WS_EX_WINDOWEDGE;
static_assert(kPreviewStyle == 0x16CF0000 && kPreviewExStyle == 0x100, "the preview window's styles");

// Registers "PreviewClass"; 1 on success, else 0.
int registerPreviewClass();

LRESULT CALLBACK previewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Stretches the image's display bitmap over the window's whole client area.
void paintPreview(HWND window);

// Opens the window at the image's size, or restores, resizes, raises and
// repaints the open one. 1, or 0 when the window cannot be created.
int showPreview();

// Repaints the open window before returning.
void invalidatePreview();

// Destroys the window if it exists and marks it closed.
void destroyPreview();
