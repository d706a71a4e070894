// The main dialog driven through its real template and dialog procedure.
#include <colordlg.h>

#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "image/display_bitmap.h"
#include "platform/allocation.h"
#include "ui/thumbnail_paint.h"
#include "ui_support.h"

namespace ui_test {
namespace {

using MainDialog = MainDialogTest;

TEST_F(MainDialog, OpensCentredWithTheStateInItsFields) {
  EXPECT_EQ(state(), "512 512 1 0 FFFFFF 512x512 / 512 512 1.000 0");
  ASSERT_EQ(SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETCOUNT, 0, 0), kGradientTypeCount);
  for (int i = 0; i < kGradientTypeCount; ++i) {  // in catalogue order: the index is the type
    char name[64] = {};
    SendMessageA(item(IDC_GRADIENT_TYPE), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, gradientInfo(i)->displayName);
  }
  RECT window = {}, desktop = {};
  GetWindowRect(dialog(), &window), GetWindowRect(GetDesktopWindow(), &desktop);
  EXPECT_NEAR(window.left + window.right, desktop.right, 2.0);
  EXPECT_NEAR(window.top + window.bottom, desktop.bottom, 2.0);
}

// Each command from Sine Vertical, 0x563412 to 0x0000FF, preview open, "300" "0" "0.33333" typed, item 7 selected
// silently: the image a render of what is stored. Return (focus in the named control) applies that group.
TEST_F(MainDialog, EachCommandReadsRendersAndShowsWhatItShould) {
  const struct {
    const char* what;
    int id;
    WORD notification;  // for Return: the control with the focus
    INT_PTR result;     // for Return: whether the dialog manager took the key
    const char* state;  // see state()
    bool rendered, previewOpen;
  } rows[] = {
      {"Return in the list", IDOK, IDC_GRADIENT_TYPE, 1, "512 512 1 5 563412 512x512 / 300 0 0.33333 7", false, true},
      {"list opened", IDC_GRADIENT_TYPE, CBN_DROPDOWN, 0, "512 512 1 5 563412 512x512 / 300 0 0.33333 7", false, true},
      {"list changed", IDC_GRADIENT_TYPE, CBN_SELCHANGE, 0, "512 512 1 7 563412 512x512 / 300 0 0.33333 7", true, true},
      {"Switch", IDC_SWITCH, BN_CLICKED, 1, "512 512 1 5 0000FF 512x512 / 512 512 1.000 5", true, true},
      {"wave", IDC_APPLY_WAVE, BN_CLICKED, 1, "300 256 0.333330005 5 563412 512x512 / 300 256 0.33333 5", true, true},
      {"Return in frequency", IDOK, IDC_FREQUENCY, 1, "300 256 0.333330005 5 563412 512x512 / 300 256 0.33333 5", true,
       true},
      {"Preview", IDC_PREVIEW, BN_CLICKED, 1, "300 256 0.333330005 5 563412 512x512 / 300 256 0.33333 5", false, true},
      {"Return in width", IDOK, IDC_WIDTH, 1, "300 256 0.333330005 5 563412 300x256 / 300 256 0.33333 5", true, true},
      {"Return in height", IDOK, IDC_HEIGHT, 1, "300 256 0.333330005 5 563412 300x256 / 300 256 0.33333 5", true, true},
      {"Reset", IDC_RESET, BN_CLICKED, 1, "512 512 1 0 FFFFFF 512x512 / 512 512 1.000 0", true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    resetAll(dialog());
    g_state->gradientType = SineVertical, g_state->startColor = 0x563412, g_state->endColor = 0x0000FF;
    renderCurrentGradient();
    refreshDialogFields(dialog());
    ASSERT_EQ(showPreview(), 1);
    HWND preview = g_previewWindow;
    type("300", "0", "0.33333");
    SendMessageA(item(IDC_GRADIENT_TYPE), CB_SETCURSEL, 7, 0);
    const uint64_t before = imageHash();
    const HBITMAP swatches[] = {g_startSwatch, g_endSwatch};

    if (row.id == IDOK) {
      SetFocus(item(row.notification));
      ASSERT_EQ(GetFocus(), item(row.notification));
      MSG key = {item(row.notification), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
      EXPECT_EQ(IsDialogMessageA(dialog(), &key), row.result);
      pumpMessages();
    } else {
      EXPECT_EQ(command(row.id, row.notification), row.result);
    }
    EXPECT_EQ(state(), row.state);
    EXPECT_TRUE(IsWindowVisible(dialog())) << "the dialog goes on";
    const uint64_t after = imageHash();
    EXPECT_EQ(after != before, row.rendered);
    if (row.rendered) {
      renderCurrentGradient();
      EXPECT_EQ(imageHash(), after) << "not a render of the stored state";
    }
    EXPECT_EQ(g_previewOpen + 2 * IsWindow(preview), row.previewOpen ? 3 : 0) << "preview open, alive";
    EXPECT_EQ(dibPixel(g_startSwatch, 3, 4), rgbOf(g_state->startColor));
    for (HBITMAP old : swatches) EXPECT_TRUE(old == g_startSwatch || old == g_endSwatch || !GetObjectType(old));
    EXPECT_EQ(SendMessageA(item(IDC_START_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), LRESULT(g_startSwatch));
    EXPECT_EQ(SendMessageA(item(IDC_END_COLOR), BM_GETIMAGE, IMAGE_BITMAP, 0), LRESULT(g_endSwatch));
  }
}

// From 300 x 200, type 7, frequency 2.5: an image that cannot be made is reported; the fields show what remains.
TEST_F(MainDialog, AnImageThatCannotBeMadeIsReportedAndTheFieldsShowWhatRemains) {
  const struct { int id; const char *width, *height; bool failPixelBlock; const char* named; } rows[] = {
      {IDC_APPLY_SIZE, "640", "480", true, "640 x 480"},
      {IDC_APPLY_SIZE, "99999999999", "5", false, "2147483647 x 5"},  // beyond 32 bits: the largest size
      {IDC_RESET, "640", "480", true, "512 x 512"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.named);
    g_state->startColor = 0x00FF00, g_state->endColor = 0x0000FF, g_state->gradientType = 7;
    type("300", "200", "2.5");
    command(IDC_APPLY_SIZE);
    const uint64_t before = imageHash();
    HBITMAP thumbnail = g_state->thumbnail.bitmap;
    type(row.width, row.height);
    if (row.failPixelBlock) allocation_faults::failAt(AllocationSite::PixelBlock);
    ModalAnswerer answerer([](HWND box, int) { pressButton(box, IDOK); }, dialog());
    EXPECT_EQ(command(row.id), 1);
    allocation_faults::clear();
    EXPECT_EQ(answerer.seen, std::vector<std::string>{"Warning: An image of " + std::string(row.named) +
                                                       " pixels could not be made."});
    EXPECT_EQ(state(), "300 200 2.5 7 00FF00 300x200 / 300 200 2.500 7");
    EXPECT_EQ(imageHash(), before);
    EXPECT_EQ(g_state->thumbnail.bitmap, thumbnail);
  }
}

// Fitted to the client area keeping the shape (height ratio in single precision), truncated, centred rounding down.
TEST_F(MainDialog, ThumbnailIsPaintedFittedAndCentredAndRepaintedOnRequest) {
  g_state->startColor = 0x0000FF, g_state->endColor = 0xFF0000;  // no pixel like the face
  HWND control = item(IDC_THUMBNAIL);
  const uint32_t face = rgbOf(GetSysColor(COLOR_BTNFACE));
  for (auto [width, height] : {std::pair{"640", "480"}, {"1000", "10"}, {"7", "7"}, {"10", "1000"}}) {
    SCOPED_TRACE(width + std::string(" x ") + height);
    type(width, height);
    command(IDC_APPLY_SIZE);
    const Pixels pixels = readClientPixels(control);
    ASSERT_TRUE(pixels.width > 0 && pixels.height > 0);
    const BitmapFacts thumbnail = describeBitmap(g_state->thumbnail.bitmap);
    const double scale = std::min(double(pixels.width) / thumbnail.width,
                                  double(float(double(pixels.height) / thumbnail.height)));
    const int dw = int(thumbnail.width * scale), dh = int(thumbnail.height * scale);
    int left = pixels.width, top = pixels.height, right = 0, bottom = 0;
    for (int y = 0; y < pixels.height; ++y)
      for (int x = 0; x < pixels.width; ++x)
        if (pixels.at(x, y) != face)
          left = std::min(left, x), right = std::max(right, x + 1), top = std::min(top, y),
          bottom = std::max(bottom, y + 1);
    const int x = (pixels.width - dw) / 2, y = (pixels.height - dh) / 2;  // below a pixel: nothing drawn
    const std::vector<int> expected =
        dw && dh ? std::vector<int>{x, y, x + dw, y + dh} : std::vector<int>{pixels.width, pixels.height, 0, 0};
    EXPECT_EQ((std::vector<int>{left, top, right, bottom}), expected) << "left, top, right, bottom";

    HDC dc = GetDC(control);  // painted over, the platform asks for it again
    PatBlt(dc, 0, 0, pixels.width, pixels.height, BLACKNESS);
    ReleaseDC(control, dc);
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
    EXPECT_TRUE(readClientPixels(control).rgb == pixels.rgb) << "repainted as before";
  }
}

// The default stretch mode ANDs folded rows into dark lines: shrunk, each row of the first image is one grey
// (within 1), never lighter than the row above. The preview's DC gets its mode back.
TEST_F(MainDialog, ShrunkThumbnailAndSqueezedPreviewShowTheGreysWithoutDarkLines) {
  const auto firstFault = [](const Pixels& pixels, const ThumbnailPlacement& drawn) -> std::string {
    uint32_t aboveDarkest = 0xFF, aboveLightest = 0xFF;
    for (int y = drawn.y; y < drawn.y + drawn.height; ++y) {
      uint32_t darkest = 0xFF, lightest = 0;
      for (int x = drawn.x; x < drawn.x + drawn.width; ++x) {
        const uint32_t value = pixels.at(x, y), grey = value & 0xFF;
        darkest = std::min(darkest, grey), lightest = std::max(lightest, grey);
        if (value == grey * 0x010101 && lightest - darkest <= 1 && darkest <= aboveLightest) continue;
        return std::to_string(value) + " at (" + std::to_string(x) + ", " + std::to_string(y) + "), row above from " +
               std::to_string(aboveDarkest);
      }
      aboveDarkest = darkest, aboveLightest = lightest;
    }
    return "";
  };
  HWND control = item(IDC_THUMBNAIL);
  SetWindowPos(control, nullptr, 0, 0, 150, 100, SWP_NOMOVE | SWP_NOZORDER);
  paintThumbnail(dialog());
  const Pixels thumbnail = readClientPixels(control);
  ASSERT_TRUE(thumbnail.width < 144 || thumbnail.height < 144);
  EXPECT_EQ(firstFault(thumbnail, placeThumbnail(144, 144, thumbnail.width, thumbnail.height)), "");
  ASSERT_EQ(showPreview(), 1);
  pumpMessages();
  SetWindowPos(g_previewWindow, nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
  pumpMessages();
  const Pixels squeezed = readClientPixels(g_previewWindow);
  ASSERT_TRUE(squeezed.width < 512 && squeezed.height < 512);
  EXPECT_EQ(firstFault(squeezed, {0, 0, squeezed.width, squeezed.height}), "");
  HDC own = GetDC(g_previewWindow);
  EXPECT_EQ(GetStretchBltMode(own), BLACKONWHITE);
  ReleaseDC(g_previewWindow, own);
}

TEST_F(MainDialog, ChosenColourIsStoredRenderedShownAndOpenedOnNextTimeAndCancelChangesNothing) {
  const struct { int id; uint32_t AppState::*field; HBITMAP* swatch; int row; /* in this end's colour */ } rows[] = {
      {IDC_START_COLOR, &AppState::startColor, &g_startSwatch, 0},
      {IDC_END_COLOR, &AppState::endColor, &g_endSwatch, 511}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    // Notes the colour it opened on; types 0x12 0x34 0x56 and confirms, then cancels.
    std::vector<std::string> openedOn;
    ModalAnswerer answerer(
        [&](HWND chooser, int index) {
          openedOn.emplace_back();
          for (int id : {COLOR_RED, COLOR_GREEN, COLOR_BLUE}) {
            openedOn.back() += std::to_string(GetDlgItemInt(chooser, id, nullptr, FALSE)) + " ";
            if (index == 0) SetDlgItemInt(chooser, id, 0x12 + 0x22 * (id - COLOR_RED), FALSE);
          }
          pressButton(chooser, index == 0 ? IDOK : IDCANCEL);
        },
        dialog());
    const uint32_t before = g_state->*row.field;
    EXPECT_EQ(command(row.id), 1);
    EXPECT_EQ(g_state->*row.field, 0x563412u);
    EXPECT_EQ(dibPixel(*row.swatch, 10, 5), 0x123456u) << "swatch";
    EXPECT_EQ(dibPixel(g_state->image.bitmap, 0, row.row), 0x123456u) << "rendered at once";
    HBITMAP swatch = *row.swatch;
    const uint64_t chosen = imageHash();
    EXPECT_EQ(command(row.id), 1);  // cancelled
    char opened[16];
    std::snprintf(opened, sizeof opened, "%u %u %u ", before & 0xFF, before >> 8 & 0xFF, before >> 16);
    EXPECT_EQ(openedOn, (std::vector<std::string>{opened, "18 52 86 "})) << "the stored colour, then the chosen one";
    EXPECT_EQ(g_state->*row.field, 0x563412u) << "kept after cancelling";
    EXPECT_EQ(*row.swatch, swatch) << "no refresh after cancelling";
    EXPECT_EQ(imageHash(), chosen) << "nothing rendered after cancelling";
  }
}

std::vector<long> frameOf(HWND window) {
  RECT outer = {}, client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  return {outer.left, outer.top, client.right, client.bottom};  // left, top, client width and height
}

// Opens top left at the image's size; again: keeps the place, restores, takes the new size; closed: anew.
TEST_F(MainDialog, PreviewOpensReopensAndOpensAgainAfterTheUserClosedIt) {
  ASSERT_EQ(command(IDC_PREVIEW), 1);  // pumps: the first paint has come
  ASSERT_EQ(g_previewOpen, 1);
  HWND preview = g_previewWindow;
  EXPECT_EQ(windowText(preview), "Preview");
  EXPECT_EQ(frameOf(preview), (std::vector<long>{0, 0, 512, 512}));

  SetWindowPos(preview, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(preview, SW_MINIMIZE);
  g_state->gradientType = LinearHorizontal;
  type("300", "200");
  command(IDC_APPLY_SIZE);
  ASSERT_EQ(mainDialogProc(dialog(), WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0), 1);  // no pumping
  EXPECT_EQ(g_previewWindow, preview);
  EXPECT_FALSE(IsIconic(preview));
  EXPECT_EQ(frameOf(preview), (std::vector<long>{40, 30, 300, 200}));
  const Pixels shown = readClientPixels(preview);
  for (int x : {0, 150, 299}) EXPECT_EQ(shown.at(x, 100), dibPixel(g_state->image.bitmap, x, 100)) << "column " << x;

  SendMessageA(preview, WM_CLOSE, 0, 0);
  pumpMessages();
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_EQ(g_previewOpen, 0);
  command(IDC_PREVIEW);
  ASSERT_EQ(g_previewOpen, 1);
  EXPECT_EQ(frameOf(g_previewWindow), (std::vector<long>{0, 0, 300, 200}));
}

}  // namespace
}  // namespace ui_test
