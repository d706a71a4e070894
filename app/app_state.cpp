#include "app_state.h"

#include <cstring>

char g_moduleDirectory[kTextBufferSize];
AppState* g_state = nullptr;
HINSTANCE g_instance = nullptr;

AppState::AppState() {
  std::memcpy(saveDirectory, g_moduleDirectory, sizeof saveDirectory);
  saveDirectory[kTextBufferSize - 1] = '\0';
  endColor = kDefaultEndColor;
  width = kDefaultImageSize;
  height = kDefaultImageSize;
  gradientType = 0;
  startColor = kDefaultStartColor;
  frequency = kDefaultFrequency;
}

AppState::~AppState() {
  releaseImageBuffer(image);
  releaseImageBuffer(thumbnail);
}
