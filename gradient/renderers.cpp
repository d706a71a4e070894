// The renderer contract around the pixel kernels: read the state afresh, do
// nothing without pixel memory, otherwise fill every pixel and rebuild the
// display bitmap.
#include "renderers.h"

#include "app/app_state.h"
#include "linear_kernels.h"
#include "radial_kernels.h"
#include "wave_kernels.h"

namespace {

template <typename Fill>
int renderWith(Fill fill) {
  ImageBuffer& image = g_state->image;
  if (!image.pixels || image.bitsPerPixel != 24) return 0;
  const PixelTarget target{image.pixels, uint32_t(image.width), uint32_t(image.height)};
  if (!fill(target, colorsFrom(g_state->startColor, g_state->endColor))) return 0;
  updateBitmap(image);
  return 1;
}

int renderWave(WaveFunction function, WaveShape shape) {
  const float frequency = g_state->frequency;
  return renderWith([=](const PixelTarget& target, const GradientColors& colors) {
    fillWave(target, colors, frequency, function, shape);
    return true;
  });
}

}  // namespace

int renderLinearVertical() {
  return renderWith([](const PixelTarget& target, const GradientColors& colors) {
    fillLinearVertical(target, colors);
    return true;
  });
}

int renderLinearHorizontal() {
  return renderWith([](const PixelTarget& target, const GradientColors& colors) {
    fillLinearHorizontal(target, colors);
    return true;
  });
}

// Without its scratch tables the diagonal writes nothing and leaves the
// display bitmap as it was.
int renderDiagonal(int direction) {
  return renderWith([=](const PixelTarget& target, const GradientColors& colors) {
    return fillDiagonal(target, colors, direction);
  });
}

int renderRadial() {
  return renderWith([](const PixelTarget& target, const GradientColors& colors) {
    fillRadial(target, colors, false);
    return true;
  });
}

int renderRadial2x() {
  return renderWith([](const PixelTarget& target, const GradientColors& colors) {
    fillRadial(target, colors, true);
    return true;
  });
}

int renderSineVertical() { return renderWave(WaveFunction::Sine, WaveShape::Vertical); }
int renderCosineVertical() { return renderWave(WaveFunction::Cosine, WaveShape::Vertical); }
int renderSineHorizontal() { return renderWave(WaveFunction::Sine, WaveShape::Horizontal); }
int renderCosineHorizontal() { return renderWave(WaveFunction::Cosine, WaveShape::Horizontal); }
int renderSineRadial() { return renderWave(WaveFunction::Sine, WaveShape::Radial); }
int renderCosineRadial() { return renderWave(WaveFunction::Cosine, WaveShape::Radial); }
int renderSineRadial2x() { return renderWave(WaveFunction::Sine, WaveShape::Radial2x); }
int renderCosineRadial2x() { return renderWave(WaveFunction::Cosine, WaveShape::Radial2x); }
