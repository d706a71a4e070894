// The main dialog driven through its real template and dialog procedure:
// fields, commands, the type list, swatches, thumbnail and centring.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/display_bitmap.h"
#include "platform/allocation.h"
#include "ui/thumbnail_paint.h"
#include "ui_support.h"

namespace {

using ui_test::MainDialogTest;
using ui_test::ModalAnswerer;

const char* const kTypeNames[] = {
    "Linear Vertical", "Linear Horizontal", "Radial",          "Diagonal LR",   "Diagonal RL",
    "Sine Vertical",   "Cosine Vertical",   "Sine Horizontal", "Cosine Horizontal", "Sine Radial",
    "Cosine Radial",   "2x Radial",         "2x Sine Radial",  "2x Cosine Radial",
};

uint64_t imageHash() {
  const ImageBuffer& image = g_state->image;
  uint64_t hash = 1469598103934665603ull;
  for (uint32_t i = 0; i < image.byteSize; ++i) hash = (hash ^ image.pixels[i]) * 1099511628211ull;
  return hash;
}

// Red, green, blue of packed pixel (x, y) of the image as 0x00RRGGBB.
uint32_t imagePixel(int32_t x, int32_t y) {
  const uint8_t* p = g_state->image.pixels + (size_t(y) * g_state->image.width + x) * 3;
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

using MainDialog = MainDialogTest;

TEST_F(MainDialog, OpensWithTheStateInItsFields) {
  EXPECT_EQ(text(IDC_WIDTH), "512");
  EXPECT_EQ(text(IDC_HEIGHT), "512");
  EXPECT_EQ(text(IDC_FREQUENCY), "1.000");
  HWND list = item(IDC_GRADIENT_TYPE);
  ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 14);
  for (int i = 0; i < 14; ++i) {
    char name[64] = {};
    SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, kTypeNames[i]) << "item " << i;
  }
  EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageA(item(IDC_START_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(g_startSwatch));
  EXPECT_EQ(SendMessageA(item(IDC_END_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(g_endSwatch));
  EXPECT_EQ(ui_test::dibPixel(g_startSwatch, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(ui_test::dibPixel(g_endSwatch, 48, 12), 0x000000u);

  // Centred over the desktop.
  RECT window = {};
  RECT desktop = {};
  GetWindowRect(dialog(), &window);
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_NEAR((window.left + window.right) / 2.0, (desktop.left + desktop.right) / 2.0, 1.0);
  EXPECT_NEAR((window.top + window.bottom) / 2.0, (desktop.top + desktop.bottom) / 2.0, 1.0);
}

TEST_F(MainDialog, MessagesAndCommandsReturnWhatThePlatformExpects) {
  DRAWITEMSTRUCT drawItem = {};
  const auto drawItemParam = reinterpret_cast<LPARAM>(&drawItem);
  struct Row {
    const char* what;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    INT_PTR result;
  };
  const Row rows[] = {
      {"WM_DRAWITEM of the thumbnail", WM_DRAWITEM, IDC_THUMBNAIL, drawItemParam, 1},
      {"WM_DRAWITEM without a record", WM_DRAWITEM, IDC_THUMBNAIL, 0, 0},
      {"WM_DRAWITEM of another control", WM_DRAWITEM, IDC_START_COLOR, drawItemParam, 0},
      {"IDOK (Return in a field)", WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, 0},
      {"an unknown command", WM_COMMAND, MAKEWPARAM(999, BN_CLICKED), 0, 0},
      {"type list opened, not changed", WM_COMMAND, MAKEWPARAM(IDC_GRADIENT_TYPE, CBN_DROPDOWN), 0, 0},
      {"type list changed", WM_COMMAND, MAKEWPARAM(IDC_GRADIENT_TYPE, CBN_SELCHANGE),
       reinterpret_cast<LPARAM>(item(IDC_GRADIENT_TYPE)), 0},
      {"Switch", WM_COMMAND, MAKEWPARAM(IDC_SWITCH, BN_CLICKED), 0, 1},
      {"Apply of the wave options", WM_COMMAND, MAKEWPARAM(IDC_APPLY_WAVE, BN_CLICKED), 0, 1},
      {"Apply of the bitmap options", WM_COMMAND, MAKEWPARAM(IDC_APPLY_SIZE, BN_CLICKED), 0, 1},
      {"Reset", WM_COMMAND, MAKEWPARAM(IDC_RESET, BN_CLICKED), 0, 1},
      {"an unhandled message", WM_MOUSEMOVE, 0, 0, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(mainDialogProc(dialog(), row.message, row.wParam, row.lParam), row.result) << row.what;
  }
  ui_test::pumpMessages();
}

TEST_F(MainDialog, ReturnInAFieldAppliesNothing) {
  setText(IDC_WIDTH, "300");
  setText(IDC_FREQUENCY, "2.5");
  const uint64_t before = imageHash();
  EXPECT_EQ(command(IDOK), 0);
  EXPECT_EQ(g_state->width, 512);
  EXPECT_EQ(g_state->frequency, 1.0f);
  EXPECT_EQ(imageHash(), before);
  EXPECT_EQ(text(IDC_WIDTH), "300") << "the typed text stays until a command reads it";
}

TEST_F(MainDialog, SizeFieldsAreReadNormalisedAndApplied) {
  struct Row {
    const char* width;
    const char* height;
    int32_t expectedWidth;
    int32_t expectedHeight;
  };
  const Row rows[] = {
      {"", "", 256, 256},         {"0", "-5", 256, 256},     {"abc", "7", 256, 7},
      {"300abc", "200", 300, 200}, {"  41", "+3", 41, 3},    {"1", "1", 1, 1},
  };
  for (const Row& row : rows) {
    setText(IDC_WIDTH, row.width);
    setText(IDC_HEIGHT, row.height);
    EXPECT_EQ(command(IDC_APPLY_SIZE), 1);
    const std::string typed = std::string("\"") + row.width + "\" x \"" + row.height + "\"";
    EXPECT_EQ(g_state->width, row.expectedWidth) << typed;
    EXPECT_EQ(g_state->height, row.expectedHeight) << typed;
    EXPECT_EQ(g_state->image.width, row.expectedWidth) << typed;
    EXPECT_EQ(g_state->image.height, row.expectedHeight) << typed;
    EXPECT_EQ(text(IDC_WIDTH), std::to_string(row.expectedWidth)) << typed;
    EXPECT_EQ(text(IDC_HEIGHT), std::to_string(row.expectedHeight)) << typed;
  }
}

TEST_F(MainDialog, FrequencyFieldIsReadNormalisedAndShownWithThreeDecimals) {
  struct Row {
    const char* typed;
    float frequency;
    const char* shown;
  };
  const Row rows[] = {
      {"", 1.0f, "1.000"}, {"0", 1.0f, "1.000"}, {"-2", 1.0f, "1.000"}, {"abc", 1.0f, "1.000"},
      {"2.5", 2.5f, "2.500"}, {"1e1", 10.0f, "10.000"},
  };
  for (const Row& row : rows) {
    setText(IDC_FREQUENCY, row.typed);
    EXPECT_EQ(command(IDC_APPLY_WAVE), 1);
    EXPECT_EQ(g_state->frequency, row.frequency) << "typed \"" << row.typed << "\"";
    EXPECT_EQ(text(IDC_FREQUENCY), row.shown) << "typed \"" << row.typed << "\"";
  }
}

TEST_F(MainDialog, TypedFrequencyIsRenderedAsTypedAndNextUsedAsShown) {
  g_state->gradientType = SineVertical;
  setText(IDC_FREQUENCY, "0.33333");
  command(IDC_APPLY_WAVE);
  const uint64_t rendered = imageHash();
  EXPECT_EQ(text(IDC_FREQUENCY), "0.333");

  // The same render at each frequency, to tell which one the command used.
  g_state->frequency = 0.333f;
  renderCurrentGradient();
  const uint64_t atShown = imageHash();
  g_state->frequency = 0.33333f;
  renderCurrentGradient();
  ASSERT_NE(atShown, imageHash()) << "the two frequencies must give different images for this test to tell";
  EXPECT_EQ(rendered, imageHash()) << "the command renders with the frequency as typed";

  command(IDC_APPLY_WAVE);
  EXPECT_EQ(g_state->frequency, 0.333f);
  EXPECT_EQ(imageHash(), atShown) << "the next command uses the shown value";
}

TEST_F(MainDialog, EachTypeOfTheListRendersAtOnceWithoutReadingTheFields) {
  setText(IDC_WIDTH, "300");
  setText(IDC_FREQUENCY, "3");
  HWND list = item(IDC_GRADIENT_TYPE);
  std::vector<uint64_t> hashes;
  for (int type = 0; type < 14; ++type) {
    SendMessageA(list, CB_SETCURSEL, type, 0);
    EXPECT_EQ(command(IDC_GRADIENT_TYPE, CBN_SELCHANGE), 0);
    EXPECT_EQ(g_state->gradientType, type) << kTypeNames[type];
    hashes.push_back(imageHash());
    for (int earlier = 0; earlier < type; ++earlier) {
      EXPECT_NE(hashes[earlier], hashes.back()) << kTypeNames[type] << " looks like " << kTypeNames[earlier];
    }
  }
  EXPECT_EQ(g_state->width, 512) << "a typed width waits for Apply";
  EXPECT_EQ(g_state->image.width, 512);
  EXPECT_EQ(g_state->frequency, 1.0f);
  EXPECT_EQ(text(IDC_WIDTH), "300");
}

TEST_F(MainDialog, PreviewAndWaveApplyStoreATypedSizeWithoutResizing) {
  for (int id : {IDC_PREVIEW, IDC_APPLY_WAVE}) {
    setText(IDC_WIDTH, "300");
    setText(IDC_HEIGHT, "0");
    EXPECT_EQ(command(id), 1);
    EXPECT_EQ(g_state->width, 300) << "command " << id;
    EXPECT_EQ(g_state->height, 256) << "command " << id;
    EXPECT_EQ(text(IDC_HEIGHT), "256") << "command " << id;
    EXPECT_EQ(g_state->image.width, 512) << "command " << id << " renders at the image's own size";
  }
  destroyPreview();
}

TEST_F(MainDialog, SwitchExchangesTheColoursAndTheSwatchesFollow) {
  g_state->startColor = 0x563412;
  g_state->endColor = 0x0000FF;
  EXPECT_EQ(command(IDC_SWITCH), 1);
  EXPECT_EQ(g_state->startColor, 0x0000FFu);
  EXPECT_EQ(g_state->endColor, 0x563412u);
  EXPECT_EQ(ui_test::dibPixel(g_startSwatch, 3, 4), 0xFF0000u) << "start swatch, as 0xRRGGBB";
  EXPECT_EQ(ui_test::dibPixel(g_endSwatch, 3, 4), 0x123456u) << "end swatch, as 0xRRGGBB";
  EXPECT_EQ(imagePixel(0, 0), 0xFF0000u) << "first row in the new start colour";
  EXPECT_EQ(command(IDC_SWITCH), 1);
  EXPECT_EQ(g_state->startColor, 0x563412u);
  EXPECT_EQ(g_state->endColor, 0x0000FFu);
}

TEST_F(MainDialog, EveryRefreshLeavesExactlyTwoLiveSwatches) {
  // GetGuiResources counts GDI objects on Windows; Wine answers 0, so there
  // the handles themselves are checked.
  const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  std::vector<HBITMAP> retired;
  for (int id : {IDC_SWITCH, IDC_APPLY_WAVE, IDC_PREVIEW, IDC_APPLY_SIZE, IDC_RESET, IDC_SWITCH, IDC_RESET}) {
    HBITMAP start = g_startSwatch;
    HBITMAP end = g_endSwatch;
    command(id);
    EXPECT_NE(g_startSwatch, start) << "command " << id;
    EXPECT_NE(g_endSwatch, end) << "command " << id;
    retired.push_back(start);
    retired.push_back(end);
    for (HBITMAP old : retired) EXPECT_EQ(GetObjectType(old), 0u) << "command " << id << ": old swatch still alive";
    EXPECT_EQ(GetObjectType(g_startSwatch), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(g_endSwatch), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(SendMessageA(item(IDC_START_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0),
              reinterpret_cast<LRESULT>(g_startSwatch));
    EXPECT_EQ(SendMessageA(item(IDC_END_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(g_endSwatch));
  }
  const BitmapFacts facts = describeBitmap(g_startSwatch);
  EXPECT_EQ(facts.width, 49);
  EXPECT_EQ(facts.height, 13);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objectsBefore);
}

TEST_F(MainDialog, ResetRestoresEveryDefaultClosesThePreviewAndRefreshes) {
  setText(IDC_WIDTH, "300");
  setText(IDC_HEIGHT, "200");
  setText(IDC_FREQUENCY, "2.5");
  command(IDC_APPLY_SIZE);
  g_state->startColor = 0x00FF00;
  g_state->endColor = 0xFF0000;
  SendMessageA(item(IDC_GRADIENT_TYPE), CB_SETCURSEL, 7, 0);
  command(IDC_GRADIENT_TYPE, CBN_SELCHANGE);
  command(IDC_PREVIEW);
  ASSERT_EQ(g_previewOpen, 1);
  HWND preview = g_previewWindow;

  EXPECT_EQ(command(IDC_RESET), 1);
  EXPECT_EQ(g_previewOpen, 0);
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_EQ(g_state->image.width, 512);
  EXPECT_EQ(g_state->image.height, 512);
  EXPECT_EQ(g_state->startColor, 0xFFFFFFu);
  EXPECT_EQ(g_state->endColor, 0u);
  EXPECT_EQ(g_state->gradientType, 0);
  EXPECT_EQ(g_state->frequency, 1.0f);
  EXPECT_EQ(text(IDC_WIDTH), "512");
  EXPECT_EQ(text(IDC_HEIGHT), "512");
  EXPECT_EQ(text(IDC_FREQUENCY), "1.000");
  EXPECT_EQ(SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(ui_test::dibPixel(g_startSwatch, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(imagePixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(imagePixel(0, 511), 0x000000u);
}

TEST_F(MainDialog, ASizeThatCannotBeMadeIsReportedAndTheFieldsShowTheRealSize) {
  struct Row {
    const char* width;
    const char* height;
    bool injectFailure;  // make an ordinary size fail to allocate
    const char* named;
  };
  const Row rows[] = {
      {"640", "480", true, "640 x 480"},
      {"2147483647", "2147483647", false, "2147483647 x 2147483647"},
      {"99999999999", "5", false, "2147483647 x 5"},  // beyond 32 bits: the largest size
  };
  for (const Row& row : rows) {
    const uint64_t before = imageHash();
    HBITMAP thumbnail = g_state->thumbnail.bitmap;
    setText(IDC_WIDTH, row.width);
    setText(IDC_HEIGHT, row.height);
    if (row.injectFailure) allocation_faults::failAt(AllocationSite::PixelBlock);
    ModalAnswerer answerer([](HWND box, int) { ui_test::pressButton(box, IDOK); }, dialog());
    EXPECT_EQ(command(IDC_APPLY_SIZE), 1);
    allocation_faults::clear();
    ASSERT_EQ(answerer.seen().size(), 1u) << row.named;
    EXPECT_EQ(answerer.seen()[0].caption, "Warning");
    EXPECT_NE(answerer.seen()[0].text.find(row.named), std::string::npos)
        << "message \"" << answerer.seen()[0].text << "\" should name " << row.named;
    EXPECT_EQ(g_state->width, 512) << row.named;
    EXPECT_EQ(g_state->height, 512) << row.named;
    EXPECT_EQ(text(IDC_WIDTH), "512") << row.named;
    EXPECT_EQ(text(IDC_HEIGHT), "512") << row.named;
    EXPECT_EQ(imageHash(), before) << row.named << ": the image stays";
    EXPECT_EQ(g_state->thumbnail.bitmap, thumbnail) << row.named << ": the thumbnail stays";
  }
}

// The thumbnail as the control shows it: the drawn rectangle is where the
// pixels differ from the button face. Expected from the control's actual
// client area (178 x 144 on Windows; 178 x 133 under Wine, whose dialog font
// has other metrics).
TEST_F(MainDialog, ThumbnailIsPaintedFittedAndCentredInTheControl) {
  g_state->startColor = 0x0000FF;  // red to blue: no pixel looks like the face
  g_state->endColor = 0xFF0000;
  struct Row {
    const char* width;
    const char* height;
  };
  const Row rows[] = {{"512", "512"}, {"640", "480"}, {"1000", "10"}, {"7", "7"}, {"10", "1000"}};
  HWND control = item(IDC_THUMBNAIL);
  for (const Row& row : rows) {
    setText(IDC_WIDTH, row.width);
    setText(IDC_HEIGHT, row.height);
    command(IDC_APPLY_SIZE);
    const ui_test::Pixels pixels = ui_test::readClientPixels(control);
    ASSERT_TRUE(pixels.width == 178 && (pixels.height == 144 || pixels.height == 133))
        << "client " << pixels.width << " x " << pixels.height;
    const BitmapFacts thumbnail = describeBitmap(g_state->thumbnail.bitmap);
    // The fit, worked out here: width ratio in double, height ratio rounded
    // to single, the smaller wins, sides truncated, position halved down.
    const double rw = double(pixels.width) / thumbnail.width;
    const double rh = float(double(pixels.height) / thumbnail.height);
    const double s = rw < rh ? rw : rh;
    const int dw = int(thumbnail.width * s);
    const int dh = int(thumbnail.height * s);
    const int x = (pixels.width - dw) / 2;
    const int y = (pixels.height - dh) / 2;

    const uint32_t face = ui_test::rgbOf(GetSysColor(COLOR_BTNFACE));
    int left = pixels.width, top = pixels.height, right = -1, bottom = -1;
    for (int py = 0; py < pixels.height; ++py) {
      for (int px = 0; px < pixels.width; ++px) {
        if (pixels.at(px, py) == face) continue;
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
      }
    }
    const std::string image = std::string(row.width) + " x " + row.height;
    if (dw == 0 || dh == 0) {
      // A one-pixel-wide thumbnail in a client less tall than it (Wine's)
      // shrinks below a pixel: nothing but the face is left.
      EXPECT_EQ(right, -1) << image << ": drawn size " << dw << " x " << dh;
      continue;
    }
    EXPECT_EQ((std::vector<int>{left, top, right - left + 1, bottom - top + 1}), (std::vector<int>{x, y, dw, dh}))
        << image << ": drawn at (x, y, width, height), thumbnail " << thumbnail.width << " x " << thumbnail.height;
  }
}

TEST_F(MainDialog, ThumbnailIsRepaintedWhenTheSystemAsksForIt) {
  HWND control = item(IDC_THUMBNAIL);
  // Paint the control over with black, then let the platform ask for it again.
  {
    HDC dc = GetDC(control);
    PatBlt(dc, 0, 0, 178, 144, BLACKNESS);
    ReleaseDC(control, dc);
  }
  ASSERT_EQ(ui_test::readClientPixels(control).at(0, 0), 0u);
  InvalidateRect(control, nullptr, TRUE);
  UpdateWindow(control);
  ui_test::pumpMessages();
  EXPECT_EQ(ui_test::readClientPixels(control).at(0, 0), ui_test::rgbOf(GetSysColor(COLOR_BTNFACE)));
}

// centerWindow over reference windows at the screen's edges. The window is
// 200 x 100; the screen is what the display reports.
TEST(CenterWindow, CentresAndClampsToTheScreen) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  struct Row {
    const char* what;
    RECT reference;  // left, top, right, bottom
    int windowWidth, windowHeight;
    int x, y;
  };
  const Row rows[] = {
      {"inside", {100, 100, 500, 400}, 200, 100, 200, 200},
      {"near the left and top", {0, 0, 100, 50}, 200, 100, 0, 0},
      {"near the right and bottom",
       {screenWidth - 100, screenHeight - 60, screenWidth, screenHeight},
       200, 100, screenWidth - 200, screenHeight - 100},
      {"wider than the screen, over the desktop", {0, 0, screenWidth, screenHeight}, screenWidth + 120, 100, 0,
       (screenHeight - 100) / 2},
  };
  for (const Row& row : rows) {
    HWND reference = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, row.reference.left, row.reference.top,
                                     row.reference.right - row.reference.left,
                                     row.reference.bottom - row.reference.top, nullptr, nullptr, nullptr, nullptr);
    HWND window = CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 7, 9, row.windowWidth, row.windowHeight,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(reference && window);
    EXPECT_NE(centerWindow(window, reference), 0) << row.what;
    RECT placed = {};
    GetWindowRect(window, &placed);
    EXPECT_EQ((std::vector<long>{placed.left, placed.top}), (std::vector<long>{row.x, row.y})) << row.what;
    DestroyWindow(window);
    DestroyWindow(reference);
  }
  HWND any = GetDesktopWindow();
  EXPECT_EQ(centerWindow(nullptr, any), 0);
  EXPECT_EQ(centerWindow(any, nullptr), 0);
}

}  // namespace
