// The renderers: each overwrites every pixel of g_state->image from the
// state's colours (and frequency), then rebuilds its display bitmap. Each
// returns 1, or 0 without writing anything when the image has no pixels.
#pragma once

int renderLinearVertical();
int renderLinearHorizontal();
int renderDiagonal(int direction);  // 0: start colour top-left; 1: top-right
int renderRadial();
int renderRadial2x();
int renderSineVertical();
int renderCosineVertical();
int renderSineHorizontal();
int renderCosineHorizontal();
int renderSineRadial();
int renderCosineRadial();
int renderSineRadial2x();
int renderCosineRadial2x();
