// The wave gradients: the colour swings between start and end along a sine or
// cosine of the position (row, column, or distance from the centre).
#pragma once

#include "gradient_math.h"

enum class WaveFunction { Sine, Cosine };
enum class WaveShape { Vertical, Horizontal, Radial, Radial2x };

void fillWave(const PixelTarget& target, const GradientColors& colors, float frequency,
              WaveFunction function, WaveShape shape);
