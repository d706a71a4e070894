// What both benchmark programs share: the sizes, the settings, each type's
// bare pixel kernel and an application state whose image is made once, so
// every measured command runs warm, as after the dialog's first command.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "gradient/linear_kernels.h"
#include "gradient/radial_kernels.h"
#include "gradient/wave_kernels.h"

namespace bench {

struct Size {
  int32_t width;
  int32_t height;
};
constexpr Size kSizes[] = {{512, 512}, {1920, 1080}, {4096, 4096}};

// Asymmetric colours and a frequency above 1, so no channel is trivially flat.
constexpr uint32_t kStartColor = 0x00C04020;
constexpr uint32_t kEndColor = 0x0010E0F0;
constexpr float kFrequency = 3.0f;

// The pixel kernel of each type, in catalogue order, without the bitmap rebuild.
inline void fillKernel(int32_t type, const PixelTarget& target, const GradientColors& colors) {
  switch (type) {
    case LinearVertical: fillLinearVertical(target, colors); break;
    case LinearHorizontal: fillLinearHorizontal(target, colors); break;
    case Radial: fillRadial(target, colors, false); break;
    case DiagonalLR: fillDiagonal(target, colors, 0); break;
    case DiagonalRL: fillDiagonal(target, colors, 1); break;
    case SineVertical: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Vertical); break;
    case CosineVertical: fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Vertical); break;
    case SineHorizontal: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Horizontal); break;
    case CosineHorizontal:
      fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Horizontal);
      break;
    case SineRadial: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Radial); break;
    case CosineRadial: fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Radial); break;
    case Radial2x: fillRadial(target, colors, true); break;
    case SineRadial2x: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Radial2x); break;
    case CosineRadial2x:
      fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Radial2x);
      break;
    default: break;
  }
}

// The application state of one case, its image made and rendered once.
class BenchState {
 public:
  BenchState(int32_t type, Size size) {
    g_state = &state_;
    state_.width = size.width;
    state_.height = size.height;
    state_.startColor = kStartColor;
    state_.endColor = kEndColor;
    state_.frequency = kFrequency;
    state_.gradientType = type;
    ok_ = resizeImage() == 1;
  }
  ~BenchState() { g_state = nullptr; }
  BenchState(const BenchState&) = delete;
  BenchState& operator=(const BenchState&) = delete;
  bool ok() const { return ok_; }
  AppState& state() { return state_; }

 private:
  AppState state_;
  bool ok_;
};

inline std::string sizeName(Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

inline std::string typeName(int32_t type) {
  std::string name = gradientInfo(type)->displayName;
  for (char& c : name)
    if (c == ' ') c = '_';
  return name;
}

}  // namespace bench
