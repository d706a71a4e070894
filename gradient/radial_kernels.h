// The radial gradients: start colour at the centre pixel, changing linearly
// with the distance, end colour at and beyond the radius.
#pragma once

#include "gradient_math.h"

// halvedSum: measure sqrt((dx² + dy²) x 0.5), so the end colour is reached
// sqrt(2) times farther out.
void fillRadial(const PixelTarget& target, const GradientColors& colors, bool halvedSum);
