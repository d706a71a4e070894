// The one application state record and the program's globals.
#pragma once

#include <cstdint>

#include "image/image_buffer.h"
#include "platform/gdi.h"

constexpr int kTextBufferSize = 256;

struct AppState {
  char saveDirectory[kTextBufferSize] = {};
  ImageBuffer image;
  ImageBuffer thumbnail;  // only its display bitmap is ever set
  uint32_t startColor = 0;  // COLORREF layout: red in the lowest byte
  uint32_t endColor = 0;
  int32_t width = 0;   // size asked for; the image's own size is what renders use
  int32_t height = 0;
  int32_t gradientType = 0;
  float frequency = 0.0f;

  AppState();
  ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
};

constexpr uint32_t kDefaultStartColor = 0x00FFFFFF;
constexpr uint32_t kDefaultEndColor = 0x00000000;
constexpr int32_t kDefaultImageSize = 512;
constexpr float kDefaultFrequency = 1.0f;

extern char g_moduleDirectory[kTextBufferSize];
extern AppState* g_state;
extern HINSTANCE g_instance;  // the Windows program's module, set by WinMain
