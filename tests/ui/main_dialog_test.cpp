// The main dialog driven through its real template and dialog procedure:
// fields, commands, field rules, swatches, resize failures and the thumbnail.
#include <algorithm>

#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/display_bitmap.h"
#include "platform/allocation.h"
#include "ui_support.h"

namespace ui_test {
namespace {

using MainDialog = MainDialogTest;

TEST_F(MainDialog, OpensCentredWithTheStateInItsFields) {
  EXPECT_EQ(shown(), "512 512 1.000 0");
  std::string names;  // the list's items in order, the index of each type
  for (int i = 0; i < SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETCOUNT, 0, 0); ++i) {
    char name[64] = {};
    SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    names += name + std::string(", ");
  }
  EXPECT_EQ(names, "Linear Vertical, Linear Horizontal, Radial, Diagonal LR, Diagonal RL, Sine Vertical, "
                   "Cosine Vertical, Sine Horizontal, Cosine Horizontal, Sine Radial, Cosine Radial, 2x Radial, "
                   "2x Sine Radial, 2x Cosine Radial, ");
  EXPECT_EQ(dibPixel(g_startSwatch, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(dibPixel(g_endSwatch, 48, 12), 0x000000u);
  RECT window = {}, desktop = {};
  GetWindowRect(dialog(), &window);
  GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_NEAR(window.left + window.right, desktop.right, 2.0);
  EXPECT_NEAR(window.top + window.bottom, desktop.bottom, 2.0);
}

// Every command from the same start: Sine Vertical from 0x563412 to 0x0000FF
// at 512 x 512, the preview open, "300", "0", "2.5" typed and the list moved
// to item 7 without a command yet.
TEST_F(MainDialog, EachCommandReadsRendersAndShowsWhatItShould) {
  struct Row {
    const char* what;
    int id;
    WORD notification;
    INT_PTR result;
    const char *stored, *shown;  // see stored() and shown()
    bool rendered, previewOpen;
  };
  const Row rows[] = {
      {"Return in a field", IDOK, BN_CLICKED, 0, "512 512 1 5 563412 512x512", "300 0 2.5 7", false, true},
      {"unknown command", 999, BN_CLICKED, 0, "512 512 1 5 563412 512x512", "300 0 2.5 7", false, true},
      {"list opened", IDC_GRADIENT_TYPE, CBN_DROPDOWN, 0, "512 512 1 5 563412 512x512", "300 0 2.5 7", false, true},
      {"list changed", IDC_GRADIENT_TYPE, CBN_SELCHANGE, 0, "512 512 1 7 563412 512x512", "300 0 2.5 7", true, true},
      {"Switch", IDC_SWITCH, BN_CLICKED, 1, "512 512 1 5 0000FF 512x512", "512 512 1.000 5", true, true},
      {"wave Apply", IDC_APPLY_WAVE, BN_CLICKED, 1, "300 256 2.5 5 563412 512x512", "300 256 2.500 5", true, true},
      {"Preview", IDC_PREVIEW, BN_CLICKED, 1, "300 256 2.5 5 563412 512x512", "300 256 2.500 5", false, true},
      {"size Apply", IDC_APPLY_SIZE, BN_CLICKED, 1, "300 256 2.5 5 563412 300x256", "300 256 2.500 5", true, true},
      {"Reset", IDC_RESET, BN_CLICKED, 1, "512 512 1 0 FFFFFF 512x512", "512 512 1.000 0", true, false},
  };
  for (const Row& row : rows) {
    resetAll(dialog());
    g_state->gradientType = SineVertical;
    g_state->startColor = 0x563412;
    g_state->endColor = 0x0000FF;
    renderCurrentGradient();
    refreshDialogFields(dialog());
    ASSERT_EQ(showPreview(), 1);
    HWND preview = g_previewWindow;
    type("300", "0", "2.5");
    SendMessageA(item(IDC_GRADIENT_TYPE), CB_SETCURSEL, 7, 0);
    const uint64_t before = imageHash();
    const HBITMAP swatches[] = {g_startSwatch, g_endSwatch};
    const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);  // Wine answers 0

    EXPECT_EQ(command(row.id, row.notification), row.result) << row.what;
    EXPECT_EQ(stored() + " / " + shown(), std::string(row.stored) + " / " + row.shown) << row.what;
    EXPECT_EQ(imageHash() != before, row.rendered) << row.what << ": rendered";
    EXPECT_EQ(g_previewOpen + 2 * IsWindow(preview), row.previewOpen ? 3 : 0) << row.what << ": preview open, alive";
    EXPECT_EQ(dibPixel(g_startSwatch, 3, 4), rgbOf(g_state->startColor)) << row.what << ": swatch";
    for (HBITMAP old : swatches) {
      EXPECT_TRUE(old == g_startSwatch || old == g_endSwatch || !GetObjectType(old)) << row.what << ": old swatch alive";
    }
    EXPECT_EQ(SendMessageA(item(IDC_START_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), LRESULT(g_startSwatch)) << row.what;
    EXPECT_EQ(SendMessageA(item(IDC_END_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), LRESULT(g_endSwatch)) << row.what;
    const BitmapFacts swatch = describeBitmap(g_startSwatch);
    EXPECT_TRUE(swatch.width == 49 && swatch.height == 13) << row.what << ": swatch size";
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objectsBefore) << row.what << ": GDI objects";
  }
}

TEST_F(MainDialog, TypedFieldsAreNormalisedAppliedAndShown) {
  const char* const rows[][4] = {  // typed width, height, frequency; then stored() / shown()
      {"", "", "", "256 256 1 0 FFFFFF 256x256 / 256 256 1.000 0"},
      {"0", "-5", "0", "256 256 1 0 FFFFFF 256x256 / 256 256 1.000 0"},
      {"abc", "7", "-2", "256 7 1 0 FFFFFF 256x7 / 256 7 1.000 0"},
      {"300abc", "200", "abc", "300 200 1 0 FFFFFF 300x200 / 300 200 1.000 0"},
      {"  41", "+3", "2.5", "41 3 2.5 0 FFFFFF 41x3 / 41 3 2.500 0"},
      {"1", "1", "1e1", "1 1 10 0 FFFFFF 1x1 / 1 1 10.000 0"},
  };
  for (const auto& row : rows) {
    type(row[0], row[1], row[2]);
    EXPECT_EQ(command(IDC_APPLY_SIZE), 1);
    EXPECT_EQ(stored() + " / " + shown(), row[3]) << '"' << row[0] << "\", \"" << row[1] << "\", \"" << row[2] << '"';
  }
}

TEST_F(MainDialog, TypedFrequencyIsRenderedAsTypedAndNextUsedAsShown) {
  g_state->gradientType = SineVertical;
  type(nullptr, nullptr, "0.33333");
  command(IDC_APPLY_WAVE);
  const uint64_t rendered = imageHash();
  EXPECT_EQ(shown(), "512 512 0.333 5");
  uint64_t at[2];  // the same render at each frequency, to tell which one was used
  for (float frequency : {0.333f, 0.33333f}) {
    g_state->frequency = frequency;
    renderCurrentGradient();
    at[frequency == 0.333f ? 0 : 1] = imageHash();
  }
  ASSERT_NE(at[0], at[1]) << "the two frequencies must give different images for this test to tell";
  EXPECT_EQ(rendered, at[1]) << "the command renders with the frequency as typed";
  command(IDC_APPLY_WAVE);
  EXPECT_EQ(g_state->frequency, 0.333f);
  EXPECT_EQ(imageHash(), at[0]) << "the next command uses the shown value";
}

TEST_F(MainDialog, ASizeThatCannotBeMadeIsReportedAndTheFieldsShowTheRealSize) {
  const char* const rows[][3] = {  // typed width, height; the size named ("640 x 480" made to fail)
      {"640", "480", "640 x 480"},
      {"2147483647", "2147483647", "2147483647 x 2147483647"},
      {"99999999999", "5", "2147483647 x 5"},  // beyond 32 bits: the largest size
  };
  for (const auto& row : rows) {
    const uint64_t before = imageHash();
    HBITMAP thumbnail = g_state->thumbnail.bitmap;
    type(row[0], row[1]);
    if (row[0][0] == '6') allocation_faults::failAt(AllocationSite::PixelBlock);
    ModalAnswerer answerer([](HWND box, int) { pressButton(box, IDOK); }, dialog());
    EXPECT_EQ(command(IDC_APPLY_SIZE), 1);
    allocation_faults::clear();
    EXPECT_EQ(answerer.seen(), "Warning: An image of " + std::string(row[2]) + " pixels could not be made.");
    EXPECT_EQ(stored() + " / " + shown(), "512 512 1 0 FFFFFF 512x512 / 512 512 1.000 0") << row[2];
    EXPECT_EQ(imageHash(), before) << row[2] << ": the image stays";
    EXPECT_EQ(g_state->thumbnail.bitmap, thumbnail) << row[2] << ": the thumbnail stays";
  }
}

// The drawn rectangle is where the control's pixels differ from the button
// face; expected from its actual client area (178 x 144 on Windows, 178 x 133
// under Wine): fitted keeping the shape (height ratio in single precision),
// sides truncated, centred rounding down.
TEST_F(MainDialog, ThumbnailIsPaintedFittedAndCentredAndRepaintedOnRequest) {
  g_state->startColor = 0x0000FF;  // red to blue: no pixel looks like the face
  g_state->endColor = 0xFF0000;
  HWND control = item(IDC_THUMBNAIL);
  const uint32_t face = rgbOf(GetSysColor(COLOR_BTNFACE));
  const char* const sizes[][2] = {{"512", "512"}, {"640", "480"}, {"1000", "10"}, {"7", "7"}, {"10", "1000"}};
  for (const auto& typed : sizes) {
    type(typed[0], typed[1]);
    const std::string size = typed[0] + std::string(" x ") + typed[1];
    command(IDC_APPLY_SIZE);
    const Pixels pixels = readClientPixels(control);
    ASSERT_TRUE(pixels.width == 178 && (pixels.height == 144 || pixels.height == 133))
        << "client " << pixels.width << " x " << pixels.height;
    const BitmapFacts thumbnail = describeBitmap(g_state->thumbnail.bitmap);
    const double scale = std::min(double(pixels.width) / thumbnail.width,
                                  double(float(double(pixels.height) / thumbnail.height)));
    const int dw = int(thumbnail.width * scale), dh = int(thumbnail.height * scale);
    int left = pixels.width, top = pixels.height, right = 0, bottom = 0;  // what differs from the face
    for (int y = 0; y < pixels.height; ++y) {
      for (int x = 0; x < pixels.width; ++x) {
        if (pixels.at(x, y) == face) continue;
        left = std::min(left, x), right = std::max(right, x + 1);
        top = std::min(top, y), bottom = std::max(bottom, y + 1);
      }
    }
    const int x = (pixels.width - dw) / 2, y = (pixels.height - dh) / 2;  // shrunk below a pixel: nothing drawn
    const std::vector<int> expected =
        dw && dh ? std::vector<int>{x, y, x + dw, y + dh} : std::vector<int>{pixels.width, pixels.height, 0, 0};
    EXPECT_EQ((std::vector<int>{left, top, right, bottom}), expected)
        << size << ": drawn from (left, top) to (right, bottom); thumbnail " << thumbnail.width << " x "
        << thumbnail.height;

    HDC dc = GetDC(control);  // painted over, the platform asks for it again
    PatBlt(dc, 0, 0, pixels.width, pixels.height, BLACKNESS);
    ReleaseDC(control, dc);
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
    EXPECT_TRUE(readClientPixels(control).rgb == pixels.rgb) << size << ": repainted as before";
  }
}

}  // namespace
}  // namespace ui_test
