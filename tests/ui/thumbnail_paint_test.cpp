// paintThumbnail's placement and background, painted into a memory bitmap of
// the control's design size (178 x 144).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ui/thumbnail_paint.h"
#include "ui_support.h"

namespace {

struct Painted {
  std::vector<uint32_t> rgb;
  uint32_t at(int x, int y) const { return rgb[size_t(y) * 178 + x]; }
};

Painted paintInto178x144(HBITMAP thumbnail) {
  HBITMAP target = createSolidBitmap(RGB(1, 2, 3), 178, 144);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, target);
  paintThumbnailOnto(memory, 178, 144, thumbnail);
  SelectObject(memory, previous);
  DeleteDC(memory);
  Painted painted;
  for (int y = 0; y < 144; ++y) {
    for (int x = 0; x < 178; ++x) painted.rgb.push_back(ui_test::dibPixel(target, x, y));
  }
  DeleteObject(target);
  return painted;
}

TEST(ThumbnailPaint, FitsAndCentresTheThumbnailOnTheButtonFace) {
  struct Row {
    int32_t width, height;  // thumbnail
    int32_t x, y, drawnWidth, drawnHeight;
  };
  const Row rows[] = {
      {144, 144, 17, 0, 144, 144},
      {178, 133, 0, 5, 178, 133},
      {143, 143, 17, 0, 144, 144},  // smaller than the control: stretched up
      {178, 1, 0, 71, 178, 1},
  };
  const uint32_t face = ui_test::rgbOf(GetSysColor(COLOR_BTNFACE));
  const uint32_t red = 0xFF0000;
  for (const Row& row : rows) {
    HBITMAP thumbnail = createSolidBitmap(RGB(255, 0, 0), row.width, row.height);
    const Painted painted = paintInto178x144(thumbnail);
    DeleteObject(thumbnail);
    const std::string name = std::to_string(row.width) + " x " + std::to_string(row.height);
    int wrong = 0;
    for (int y = 0; y < 144 && wrong < 5; ++y) {
      for (int x = 0; x < 178 && wrong < 5; ++x) {
        const bool inside = x >= row.x && x < row.x + row.drawnWidth && y >= row.y && y < row.y + row.drawnHeight;
        const uint32_t expected = inside ? red : face;
        if (painted.at(x, y) != expected) {
          ++wrong;
          ADD_FAILURE() << name << ": pixel (" << x << ", " << y << ") is 0x" << std::hex << painted.at(x, y)
                        << ", expected 0x" << expected;
        }
      }
    }
    const ThumbnailPlacement place = placeThumbnail(row.width, row.height, 178, 144);
    EXPECT_EQ((std::vector<int>{place.x, place.y, place.width, place.height}),
              (std::vector<int>{row.x, row.y, row.drawnWidth, row.drawnHeight}))
        << name;
  }
}

TEST(ThumbnailPaint, WithoutAThumbnailOnlyTheBackgroundIsPainted) {
  const Painted painted = paintInto178x144(nullptr);
  const uint32_t face = ui_test::rgbOf(GetSysColor(COLOR_BTNFACE));
  for (int y = 0; y < 144; ++y) {
    for (int x = 0; x < 178; ++x) ASSERT_EQ(painted.at(x, y), face) << "pixel (" << x << ", " << y << ")";
  }
}

}  // namespace
