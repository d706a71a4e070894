// Colour selection: the colour chooser, the two colour forms it converts
// between, and the swatch bitmaps shown on the two colour buttons.
#pragma once

#include <windows.h>

#include <cstdint>

// The packed form the chooser call takes and returns: blue in the lowest
// byte, then green, then red, top byte 0xFF. The stored form is a COLORREF.
constexpr uint32_t packedFromColor(uint32_t color) {
  return 0xFF000000u | (color & 0xFFu) << 16 | (color & 0xFF00u) | (color >> 16 & 0xFFu);
}
constexpr uint32_t colorFromPacked(uint32_t packed) {
  return (packed & 0xFFu) << 16 | (packed & 0xFF00u) | (packed >> 16 & 0xFFu);
}

constexpr int32_t kSwatchWidth = 49;
constexpr int32_t kSwatchHeight = 13;

// The bitmaps the colour buttons show; the user interface owns them.
extern HBITMAP g_startSwatch;
extern HBITMAP g_endSwatch;

// Runs the colour chooser owned by `owner`, opened on `packed`. 1 and the
// chosen colour in `packed` when the user confirms; 0 when cancelled or when
// the chooser cannot run (then `packed` is unchanged).
int chooseColor(HWND owner, uint32_t& packed);

// The colour command: lets the user pick a new value for `color` (stored
// form). 1 when a colour was chosen and stored, 0 when nothing changed.
int changeColor(HWND owner, uint32_t& color);

// Exchanges the start and end colours of g_state.
void switchColors();

// A new 24-bit bottom-up DIB section filled with `color`, owned by the
// caller; null when it cannot be made or filled.
HBITMAP createSolidBitmap(COLORREF color, int32_t width, int32_t height);

// Takes the image off a button and deletes the image it showed.
void clearButtonImage(HWND dialog, int controlId);
// Puts `bitmap` on a button (which does not own it) and deletes the image it
// showed before.
void setButtonImage(HWND dialog, int controlId, HBITMAP bitmap);

// Replaces both swatches from g_state's colours.
void refreshSwatches(HWND dialog);

// Deletes both swatches and nulls the globals; for shutdown.
void deleteSwatches();
