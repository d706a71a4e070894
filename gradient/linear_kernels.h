// The straight gradients over a pixel target: linear in 16.16 integer fixed
// point, diagonal as the sum of a column table and a row table.
#pragma once

#include "gradient_math.h"

void fillLinearVertical(const PixelTarget& target, const GradientColors& colors);
void fillLinearHorizontal(const PixelTarget& target, const GradientColors& colors);

// direction 0: start colour top-left; 1: top-right. Returns false, writing
// nothing, when its scratch tables cannot be allocated.
bool fillDiagonal(const PixelTarget& target, const GradientColors& colors, int direction);
