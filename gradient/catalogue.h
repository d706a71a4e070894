// The fourteen gradient types: index, display name and renderer. The index is
// also the position of the name in the dialog's type list.
#pragma once

#include <cstdint>

enum GradientType : int32_t {
  LinearVertical = 0,
  LinearHorizontal = 1,
  Radial = 2,
  DiagonalLR = 3,
  DiagonalRL = 4,
  SineVertical = 5,
  CosineVertical = 6,
  SineHorizontal = 7,
  CosineHorizontal = 8,
  SineRadial = 9,
  CosineRadial = 10,
  Radial2x = 11,
  SineRadial2x = 12,
  CosineRadial2x = 13,
};

constexpr int kGradientTypeCount = 14;

struct GradientInfo {
  const char* displayName;
  int (*render)();  // renders the current image from g_state; 0 when it has no pixels
};

// The catalogue row of a type, or null for a value outside 0 to 13.
const GradientInfo* gradientInfo(int32_t gradientType);

// The type whose display name matches (ignoring case), or -1.
int32_t gradientTypeByName(const char* name);
