// Colour selection: the two colour forms, the swatch bitmaps, and the colour
// commands through the platform's real colour chooser.
#include <gtest/gtest.h>
#include <windows.h>

#include <colordlg.h>

#include <string>
#include <vector>

#include "image/display_bitmap.h"
#include "platform/allocation.h"
#include "ui_support.h"

namespace {

using ui_test::MainDialogTest;
using ui_test::ModalAnswerer;

TEST(ColorForms, ConvertExactlyBothWays) {
  struct Row {
    uint32_t stored;  // COLORREF: red lowest
    uint32_t packed;  // red highest of the three, top byte 0xFF
  };
  const Row rows[] = {
      {0x00000000, 0xFF000000}, {0x00FFFFFF, 0xFFFFFFFF}, {0x00563412, 0xFF123456},
      {0x000000FF, 0xFFFF0000}, {0x0000FF00, 0xFF00FF00}, {0x00FF0000, 0xFF0000FF},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(packedFromColor(row.stored), row.packed) << std::hex << "stored 0x" << row.stored;
    EXPECT_EQ(colorFromPacked(row.packed), row.stored) << std::hex << "packed 0x" << row.packed;
  }
  // The top byte of a packed value is ignored, and never reaches the stored form.
  EXPECT_EQ(colorFromPacked(0x00123456), 0x00563412u);
  EXPECT_EQ(colorFromPacked(0x7F123456), 0x00563412u);
}

TEST(SolidBitmap, IsA24BitBottomUpSectionOfOneColour) {
  struct Row {
    COLORREF color;
    int32_t width, height;
  };
  const Row rows[] = {{0x563412, 49, 13}, {0x0000FF, 6, 5}, {0xFFFFFF, 1, 1}};
  for (const Row& row : rows) {
    HBITMAP bitmap = createSolidBitmap(row.color, row.width, row.height);
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), int(sizeof section)) << "a DIB section";
    EXPECT_EQ(section.dsBmih.biBitCount, 24);
    EXPECT_EQ(section.dsBmih.biWidth, row.width);
    EXPECT_EQ(section.dsBmih.biHeight, row.height) << "positive: bottom-up";
    for (int32_t y = 0; y < row.height; ++y) {
      for (int32_t x = 0; x < row.width; ++x) {
        ASSERT_EQ(ui_test::dibPixel(bitmap, x, y), ui_test::rgbOf(row.color)) << "pixel (" << x << ", " << y << ")";
      }
    }
    DeleteObject(bitmap);
  }
  allocation_faults::failAt(AllocationSite::DisplayBitmap);
  EXPECT_EQ(createSolidBitmap(0x123456, 49, 13), nullptr);
}

// What the answerer saw in the chooser and what it did.
struct ChooserVisit {
  int red = -1, green = -1, blue = -1;
};

// Answers the colour chooser: records the colour it opened on, then either
// types the new channels and confirms, or cancels.
ModalAnswerer::Answer chooserAnswer(std::vector<ChooserVisit>& visits, const int* newColor /* r, g, b or null */) {
  return [&visits, newColor](HWND chooser, int) {
    ChooserVisit visit;
    visit.red = GetDlgItemInt(chooser, COLOR_RED, nullptr, FALSE);
    visit.green = GetDlgItemInt(chooser, COLOR_GREEN, nullptr, FALSE);
    visit.blue = GetDlgItemInt(chooser, COLOR_BLUE, nullptr, FALSE);
    visits.push_back(visit);
    if (!newColor) {
      ui_test::pressButton(chooser, IDCANCEL);
      return;
    }
    SetDlgItemInt(chooser, COLOR_RED, newColor[0], FALSE);
    SetDlgItemInt(chooser, COLOR_GREEN, newColor[1], FALSE);
    SetDlgItemInt(chooser, COLOR_BLUE, newColor[2], FALSE);
    ui_test::pressButton(chooser, IDOK);
  };
}

using ColorCommand = MainDialogTest;

TEST_F(ColorCommand, ChosenColourIsStoredExactlyRenderedAndShown) {
  struct Row {
    int id;
    uint32_t AppState::*field;
    int firstRow;  // the image row that shows the colour of this end
  };
  const Row rows[] = {{IDC_START_COLOR, &AppState::startColor, 0}, {IDC_END_COLOR, &AppState::endColor, 511}};
  for (const Row& row : rows) {
    std::vector<ChooserVisit> visits;
    const int chosen[3] = {0x12, 0x34, 0x56};
    const uint32_t before = g_state->*row.field;
    {
      ModalAnswerer answerer(chooserAnswer(visits, chosen), dialog());
      EXPECT_EQ(command(row.id), 1);
    }
    ASSERT_EQ(visits.size(), 1u) << "control " << row.id;
    EXPECT_EQ((std::vector<int>{visits[0].red, visits[0].green, visits[0].blue}),
              (std::vector<int>{int(before & 0xFF), int(before >> 8 & 0xFF), int(before >> 16 & 0xFF)}))
        << "control " << row.id << ": the chooser opens on the stored colour";
    EXPECT_EQ(g_state->*row.field, 0x563412u) << "control " << row.id;
    HBITMAP swatch = row.id == IDC_START_COLOR ? g_startSwatch : g_endSwatch;
    EXPECT_EQ(ui_test::dibPixel(swatch, 10, 5), 0x123456u) << "control " << row.id << ": swatch as 0xRRGGBB";
    const uint8_t* pixel = g_state->image.pixels + size_t(row.firstRow) * 512 * 3;
    EXPECT_EQ((std::vector<int>{pixel[0], pixel[1], pixel[2]}), (std::vector<int>{0x12, 0x34, 0x56}))
        << "control " << row.id << ": rendered at once";

    // Opened again, the chooser shows the chosen colour.
    visits.clear();
    {
      ModalAnswerer answerer(chooserAnswer(visits, nullptr), dialog());
      command(row.id);
    }
    ASSERT_EQ(visits.size(), 1u);
    EXPECT_EQ((std::vector<int>{visits[0].red, visits[0].green, visits[0].blue}), (std::vector<int>{0x12, 0x34, 0x56}));
  }
}

TEST_F(ColorCommand, ConfirmingTheDefaultStoresItAgain) {
  std::vector<ChooserVisit> visits;
  const int white[3] = {255, 255, 255};
  const std::vector<uint8_t> before(g_state->image.pixels, g_state->image.pixels + g_state->image.byteSize);
  ModalAnswerer answerer(chooserAnswer(visits, white), dialog());
  EXPECT_EQ(command(IDC_START_COLOR), 1);
  EXPECT_EQ(g_state->startColor, 0xFFFFFFu);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), g_state->image.pixels)) << "the same image";
}

TEST_F(ColorCommand, CancellingChangesNothing) {
  g_state->startColor = 0x0000FF;
  refreshDialogFields(dialog());
  HBITMAP swatch = g_startSwatch;
  const std::vector<uint8_t> before(g_state->image.pixels, g_state->image.pixels + g_state->image.byteSize);
  std::vector<ChooserVisit> visits;
  {
    ModalAnswerer answerer(chooserAnswer(visits, nullptr), dialog());
    EXPECT_EQ(command(IDC_START_COLOR), 1);
  }
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ(g_state->startColor, 0x0000FFu);
  EXPECT_EQ(g_startSwatch, swatch) << "no refresh";
  EXPECT_EQ(GetObjectType(swatch), static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), g_state->image.pixels)) << "nothing rendered";
}

TEST(ChooseColor, ReturnsThePackedChoiceOrLeavesTheValue) {
  std::vector<ChooserVisit> visits;
  const int chosen[3] = {1, 2, 3};
  uint32_t packed = 0x00FFEEDD;  // top byte ignored on the way in
  {
    ModalAnswerer answerer(chooserAnswer(visits, chosen));
    EXPECT_EQ(chooseColor(nullptr, packed), 1);
  }
  EXPECT_EQ(packed, 0xFF010203u);
  ASSERT_EQ(visits.size(), 1u);
  EXPECT_EQ((std::vector<int>{visits[0].red, visits[0].green, visits[0].blue}), (std::vector<int>{0xFF, 0xEE, 0xDD}));
  {
    ModalAnswerer answerer(chooserAnswer(visits, nullptr));
    EXPECT_EQ(chooseColor(nullptr, packed), 0);
  }
  EXPECT_EQ(packed, 0xFF010203u);
}

}  // namespace
