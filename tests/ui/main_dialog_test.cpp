// The main dialog driven through its real template and dialog procedure:
// fields, commands, field rules, swatches, resize failures and the thumbnail.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/display_bitmap.h"
#include "platform/allocation.h"
#include "ui_support.h"

namespace {

using ui_test::imageHash;
using ui_test::ModalAnswerer;
using MainDialog = ui_test::MainDialogTest;

LRESULT buttonImage(HWND button) { return SendMessageA(button, BM_GETIMAGE, IMAGE_BITMAP, 0); }

TEST_F(MainDialog, OpensCentredWithTheStateInItsFields) {
  EXPECT_EQ(text(IDC_WIDTH) + " " + text(IDC_HEIGHT) + " " + text(IDC_FREQUENCY), "512 512 1.000");
  HWND list = item(IDC_GRADIENT_TYPE);
  std::string names;  // the list's items in order, the index of each type
  for (int i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
    char name[64] = {};
    SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    names += (i ? ", " : "") + std::string(name);
  }
  EXPECT_EQ(names, "Linear Vertical, Linear Horizontal, Radial, Diagonal LR, Diagonal RL, Sine Vertical, "
                   "Cosine Vertical, Sine Horizontal, Cosine Horizontal, Sine Radial, Cosine Radial, 2x Radial, "
                   "2x Sine Radial, 2x Cosine Radial");
  EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(ui_test::dibPixel(g_startSwatch, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(ui_test::dibPixel(g_endSwatch, 48, 12), 0x000000u);
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
    int32_t width, height, imageWidth;  // stored sizes and the image's own width
    float frequency;
    int32_t type;
    uint32_t startColor;
    const char* shown;  // width, height, frequency and list selection shown after
    bool rendered, previewOpen;
  };
  const Row rows[] = {
      {"Return in a field", IDOK, BN_CLICKED, 0, 512, 512, 512, 1.0f, 5, 0x563412, "300 0 2.5 7", false, true},
      {"unknown command", 999, BN_CLICKED, 0, 512, 512, 512, 1.0f, 5, 0x563412, "300 0 2.5 7", false, true},
      {"list opened", IDC_GRADIENT_TYPE, CBN_DROPDOWN, 0, 512, 512, 512, 1.0f, 5, 0x563412, "300 0 2.5 7", false, true},
      {"list changed", IDC_GRADIENT_TYPE, CBN_SELCHANGE, 0, 512, 512, 512, 1.0f, 7, 0x563412, "300 0 2.5 7", true, true},
      {"Switch", IDC_SWITCH, BN_CLICKED, 1, 512, 512, 512, 1.0f, 5, 0x0000FF, "512 512 1.000 5", true, true},
      {"wave Apply", IDC_APPLY_WAVE, BN_CLICKED, 1, 300, 256, 512, 2.5f, 5, 0x563412, "300 256 2.500 5", true, true},
      {"Preview", IDC_PREVIEW, BN_CLICKED, 1, 300, 256, 512, 2.5f, 5, 0x563412, "300 256 2.500 5", false, true},
      {"size Apply", IDC_APPLY_SIZE, BN_CLICKED, 1, 300, 256, 300, 2.5f, 5, 0x563412, "300 256 2.500 5", true, true},
      {"Reset", IDC_RESET, BN_CLICKED, 1, 512, 512, 512, 1.0f, 0, 0xFFFFFF, "512 512 1.000 0", true, false},
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
    setText(IDC_WIDTH, "300");
    setText(IDC_HEIGHT, "0");
    setText(IDC_FREQUENCY, "2.5");
    SendMessageA(item(IDC_GRADIENT_TYPE), CB_SETCURSEL, 7, 0);
    const uint64_t before = imageHash();

    EXPECT_EQ(command(row.id, row.notification), row.result) << row.what;
    const std::string shown = text(IDC_WIDTH) + " " + text(IDC_HEIGHT) + " " + text(IDC_FREQUENCY) + " " +
                              std::to_string(SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETCURSEL, 0, 0));
    EXPECT_EQ((std::vector<int>{g_state->width, g_state->height, g_state->image.width, g_state->gradientType}),
              (std::vector<int>{row.width, row.height, row.imageWidth, row.type}))
        << row.what << ": width, height, image width, type";
    EXPECT_EQ(g_state->frequency, row.frequency) << row.what;
    EXPECT_EQ(g_state->startColor, row.startColor) << row.what;
    EXPECT_EQ(shown, row.shown) << row.what << ": fields and list selection";
    EXPECT_EQ(imageHash() != before, row.rendered) << row.what << ": rendered";
    EXPECT_EQ((std::vector<int>{g_previewOpen, IsWindow(preview) ? 1 : 0}), (std::vector<int>(2, row.previewOpen)))
        << row.what << ": preview open, window alive";
    EXPECT_EQ(ui_test::dibPixel(g_startSwatch, 3, 4), ui_test::rgbOf(g_state->startColor)) << row.what << ": swatch";
  }
}

TEST_F(MainDialog, TypedFieldsAreNormalisedAppliedAndShown) {
  struct Row {
    const char *width, *height, *frequency;
    int32_t expectedWidth, expectedHeight;
    float expectedFrequency;
    const char* shownFrequency;
  };
  const Row rows[] = {
      {"", "", "", 256, 256, 1.0f, "1.000"},          {"0", "-5", "0", 256, 256, 1.0f, "1.000"},
      {"abc", "7", "-2", 256, 7, 1.0f, "1.000"},      {"300abc", "200", "abc", 300, 200, 1.0f, "1.000"},
      {"  41", "+3", "2.5", 41, 3, 2.5f, "2.500"},    {"1", "1", "1e1", 1, 1, 10.0f, "10.000"},
  };
  for (const Row& row : rows) {
    setText(IDC_WIDTH, row.width);
    setText(IDC_HEIGHT, row.height);
    setText(IDC_FREQUENCY, row.frequency);
    EXPECT_EQ(command(IDC_APPLY_SIZE), 1);
    const std::string typed = std::string("\"") + row.width + "\", \"" + row.height + "\", \"" + row.frequency + "\"";
    EXPECT_EQ((std::vector<int>{g_state->width, g_state->height, g_state->image.width, g_state->image.height}),
              (std::vector<int>{row.expectedWidth, row.expectedHeight, row.expectedWidth, row.expectedHeight}))
        << typed << ": stored size, image size";
    EXPECT_EQ(g_state->frequency, row.expectedFrequency) << typed;
    EXPECT_EQ(text(IDC_WIDTH) + " " + text(IDC_HEIGHT) + " " + text(IDC_FREQUENCY),
              std::to_string(row.expectedWidth) + " " + std::to_string(row.expectedHeight) + " " + row.shownFrequency)
        << typed;
  }
}

TEST_F(MainDialog, TypedFrequencyIsRenderedAsTypedAndNextUsedAsShown) {
  g_state->gradientType = SineVertical;
  setText(IDC_FREQUENCY, "0.33333");
  command(IDC_APPLY_WAVE);
  const uint64_t rendered = imageHash();
  EXPECT_EQ(text(IDC_FREQUENCY), "0.333");
  g_state->frequency = 0.333f;  // the same render at each frequency, to tell which one was used
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

TEST_F(MainDialog, EveryRefreshLeavesExactlyTwoLiveSwatches) {
  const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);  // Wine answers 0
  std::vector<HBITMAP> retired;
  for (int id : {IDC_SWITCH, IDC_APPLY_WAVE, IDC_PREVIEW, IDC_APPLY_SIZE, IDC_RESET, IDC_SWITCH}) {
    retired.push_back(g_startSwatch);
    retired.push_back(g_endSwatch);
    command(id);
    for (HBITMAP old : retired) EXPECT_EQ(GetObjectType(old), 0u) << "command " << id << ": an old swatch is alive";
    EXPECT_EQ(GetObjectType(g_startSwatch), DWORD(OBJ_BITMAP)) << "command " << id;
    EXPECT_EQ(GetObjectType(g_endSwatch), DWORD(OBJ_BITMAP)) << "command " << id;
    EXPECT_EQ(buttonImage(item(IDC_START_COLOR)), LRESULT(g_startSwatch)) << "command " << id;
    EXPECT_EQ(buttonImage(item(IDC_END_COLOR)), LRESULT(g_endSwatch)) << "command " << id;
  }
  const BitmapFacts swatch = describeBitmap(g_startSwatch);
  EXPECT_EQ((std::vector<int>{swatch.width, swatch.height}), (std::vector<int>{49, 13}));
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), objectsBefore);
}

TEST_F(MainDialog, ASizeThatCannotBeMadeIsReportedAndTheFieldsShowTheRealSize) {
  struct Row {
    const char *width, *height;
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
    EXPECT_EQ((std::vector<int>{g_state->width, g_state->height}), (std::vector<int>{512, 512})) << row.named;
    EXPECT_EQ(text(IDC_WIDTH) + " x " + text(IDC_HEIGHT), "512 x 512") << row.named;
    EXPECT_EQ(imageHash(), before) << row.named << ": the image stays";
    EXPECT_EQ(g_state->thumbnail.bitmap, thumbnail) << row.named << ": the thumbnail stays";
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
  for (const char* size : {"512 512", "640 480", "1000 10", "7 7", "10 1000"}) {
    const std::string typed = size;
    setText(IDC_WIDTH, typed.substr(0, typed.find(' ')));
    setText(IDC_HEIGHT, typed.substr(typed.find(' ') + 1));
    command(IDC_APPLY_SIZE);
    const ui_test::Pixels pixels = ui_test::readClientPixels(control);
    ASSERT_TRUE(pixels.width == 178 && (pixels.height == 144 || pixels.height == 133))
        << "client " << pixels.width << " x " << pixels.height;
    const BitmapFacts thumbnail = describeBitmap(g_state->thumbnail.bitmap);
    const double scale = std::min(double(pixels.width) / thumbnail.width,
                                  double(float(double(pixels.height) / thumbnail.height)));
    const int dw = int(thumbnail.width * scale), dh = int(thumbnail.height * scale);
    const uint32_t face = ui_test::rgbOf(GetSysColor(COLOR_BTNFACE));
    int left = pixels.width, top = pixels.height, right = -1, bottom = -1;
    for (int y = 0; y < pixels.height; ++y) {
      for (int x = 0; x < pixels.width; ++x) {
        if (pixels.at(x, y) == face) continue;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    if (dw == 0 || dh == 0) {  // shrunk below a pixel: nothing but the face
      EXPECT_EQ(right, -1) << size << ": drawn size " << dw << " x " << dh;
      continue;
    }
    EXPECT_EQ((std::vector<int>{left, top, right - left + 1, bottom - top + 1}),
              (std::vector<int>{(pixels.width - dw) / 2, (pixels.height - dh) / 2, dw, dh}))
        << size << ": drawn at (x, y, width, height), thumbnail " << thumbnail.width << " x " << thumbnail.height;

    HDC dc = GetDC(control);  // painted over, the platform asks for it again
    PatBlt(dc, 0, 0, pixels.width, pixels.height, BLACKNESS);
    ReleaseDC(control, dc);
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
    EXPECT_TRUE(ui_test::readClientPixels(control).rgb == pixels.rgb) << size << ": repainted as before";
  }
}

}  // namespace
