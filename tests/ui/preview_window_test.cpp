// The Preview window: opening, re-opening after a resize, minimised and
// closed states, repainting, and its end at Reset.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "gradient/catalogue.h"
#include "gradient/render_dispatch.h"
#include "ui_support.h"

namespace {

using ui_test::MainDialogTest;
using ui_test::Pixels;
using ui_test::readClientPixels;

struct Frame {
  long left, top, clientWidth, clientHeight;
};

Frame frameOf(HWND window) {
  RECT outer = {};
  RECT client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  return {outer.left, outer.top, client.right, client.bottom};
}

std::vector<long> asList(const Frame& frame) {
  return {frame.left, frame.top, frame.clientWidth, frame.clientHeight};
}

// Picture pixel (x, y) of the full-size image as 0x00RRGGBB.
uint32_t imagePixel(int32_t x, int32_t y) {
  const uint8_t* p = g_state->image.pixels + (size_t(y) * g_state->image.width + x) * 3;
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

using PreviewWindow = MainDialogTest;

TEST_F(PreviewWindow, OpensAtTheTopLeftFirstBlackThenShowingTheImage) {
  ASSERT_EQ(command(IDC_PREVIEW) , 1);  // pumps: the first paint has come
  ASSERT_EQ(g_previewOpen, 1);
  HWND preview = g_previewWindow;
  EXPECT_EQ(ui_test::windowText(preview), "Preview");
  EXPECT_EQ(ui_test::className(preview), "PreviewClass");
  EXPECT_EQ(GetWindowLongA(preview, GWL_STYLE) & ~WS_MINIMIZE, LONG(0x16CF0000));
  EXPECT_EQ(GetWindowLongA(preview, GWL_EXSTYLE) & 0x100, 0x100);
  EXPECT_EQ(GetWindow(preview, GW_OWNER), nullptr);
  EXPECT_EQ(asList(frameOf(preview)), (std::vector<long>{0, 0, 512, 512})) << "left, top, client size";
  const Pixels shown = readClientPixels(preview);
  EXPECT_EQ(shown.at(5, 0), 0xFFFFFFu);
  EXPECT_EQ(shown.at(5, 511), 0x000000u);
  EXPECT_EQ(shown.at(300, 256), imagePixel(300, 256));

  // A fresh window is black until its first paint.
  destroyPreview();
  ASSERT_EQ(showPreview(), 1);
  const Pixels first = readClientPixels(g_previewWindow);
  EXPECT_EQ(first.at(5, 0), 0x000000u) << "before the first WM_PAINT";
  EXPECT_EQ(first.at(400, 300), 0x000000u) << "before the first WM_PAINT";
  ui_test::pumpMessages();
  EXPECT_EQ(readClientPixels(g_previewWindow).at(5, 0), 0xFFFFFFu) << "after it";
}

TEST_F(PreviewWindow, PreviewAgainKeepsThePlaceTakesTheNewSizeAndRepaintsAtOnce) {
  command(IDC_PREVIEW);
  HWND preview = g_previewWindow;
  SetWindowPos(preview, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  g_state->gradientType = LinearHorizontal;
  setText(IDC_WIDTH, "300");
  setText(IDC_HEIGHT, "200");
  command(IDC_APPLY_SIZE);
  EXPECT_EQ(asList(frameOf(preview)), (std::vector<long>{40, 30, 512, 512})) << "a render does not resize it";

  ASSERT_EQ(mainDialogProc(dialog(), WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0), 1);
  EXPECT_EQ(g_previewWindow, preview) << "the same window";
  EXPECT_EQ(asList(frameOf(preview)), (std::vector<long>{40, 30, 300, 200}));
  const Pixels shown = readClientPixels(preview);  // no messages pumped: painted during the command
  for (int x : {0, 150, 299}) EXPECT_EQ(shown.at(x, 100), imagePixel(x, 100)) << "column " << x;
}

TEST_F(PreviewWindow, PreviewRestoresAMinimisedWindow) {
  command(IDC_PREVIEW);
  HWND preview = g_previewWindow;
  ShowWindow(preview, SW_MINIMIZE);
  ui_test::pumpMessages();
  ASSERT_TRUE(IsIconic(preview));
  command(IDC_PREVIEW);
  EXPECT_FALSE(IsIconic(preview));
  EXPECT_EQ(asList(frameOf(preview)), (std::vector<long>{0, 0, 512, 512}));
}

TEST_F(PreviewWindow, AfterTheUserClosesItPreviewOpensANewOneAtTheTopLeft) {
  command(IDC_PREVIEW);
  HWND first = g_previewWindow;
  SetWindowPos(first, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SendMessageA(first, WM_CLOSE, 0, 0);
  ui_test::pumpMessages();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(g_previewOpen, 0);
  command(IDC_PREVIEW);
  EXPECT_EQ(g_previewOpen, 1);
  EXPECT_TRUE(IsWindow(g_previewWindow));
  EXPECT_EQ(asList(frameOf(g_previewWindow)), (std::vector<long>{0, 0, 512, 512}));
}

TEST_F(PreviewWindow, ResizingByHandStretchesTheImageWithoutKeepingItsShape) {
  g_state->gradientType = LinearHorizontal;
  renderCurrentGradient();
  command(IDC_PREVIEW);
  HWND preview = g_previewWindow;
  struct Row {
    int clientWidth, clientHeight;
  };
  for (const Row& row : {Row{1024, 256}, Row{128, 300}}) {
    RECT outer = {0, 0, row.clientWidth, row.clientHeight};
    AdjustWindowRectEx(&outer, 0x16CF0000, FALSE, 0x100);
    SetWindowPos(preview, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    const Pixels shown = readClientPixels(preview);  // WM_SIZE repainted it at once
    ASSERT_EQ(shown.width, row.clientWidth);
    ASSERT_EQ(shown.height, row.clientHeight);
    // Column x of the window shows image column x * 512 / clientWidth; the
    // rows of a horizontal gradient are all alike. Shrinking in the default
    // stretch mode ANDs the dropped columns in, hence the tolerance.
    for (int x : {0, row.clientWidth / 3, row.clientWidth - 1}) {
      const int source = x * 512 / row.clientWidth;
      EXPECT_NEAR(double(shown.at(x, row.clientHeight / 2) & 0xFF), double(imagePixel(source, 0) & 0xFF), 8.0)
          << row.clientWidth << " x " << row.clientHeight << ", column " << x;
    }
  }
}

TEST_F(PreviewWindow, RendersDoNotRepaintItUntilItNextPaints) {
  command(IDC_PREVIEW);
  HWND preview = g_previewWindow;
  EXPECT_EQ(readClientPixels(preview).at(5, 0), 0xFFFFFFu);
  command(IDC_SWITCH);
  EXPECT_EQ(readClientPixels(preview).at(5, 0), 0xFFFFFFu) << "Switch leaves the preview as it was";
  invalidatePreview();
  EXPECT_EQ(readClientPixels(preview).at(5, 0), 0x000000u) << "the next paint shows the switched image";
}

TEST_F(PreviewWindow, AnImageLargerThanTheScreenGivesAWindowLargerThanTheScreen) {
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  setText(IDC_WIDTH, std::to_string(screenWidth + 320).c_str());
  setText(IDC_HEIGHT, std::to_string(screenHeight + 176).c_str());
  command(IDC_APPLY_SIZE);
  for (int attempt = 0; attempt < 2; ++attempt) {  // created, then resized when open
    command(IDC_PREVIEW);
    RECT outer = {};
    GetWindowRect(g_previewWindow, &outer);
    // The program asks for the whole image; the platform's largest tracking
    // size (a little over the screen) is what limits the window.
    EXPECT_EQ((std::vector<long>{outer.left, outer.top}), (std::vector<long>{0, 0})) << "attempt " << attempt;
    EXPECT_GT(outer.right - outer.left, screenWidth) << "attempt " << attempt;
    EXPECT_GT(outer.bottom - outer.top, screenHeight) << "attempt " << attempt;
  }
}

TEST_F(PreviewWindow, ResetClosesIt) {
  command(IDC_PREVIEW);
  HWND preview = g_previewWindow;
  command(IDC_RESET);
  EXPECT_FALSE(IsWindow(preview));
  EXPECT_EQ(g_previewOpen, 0);
  EXPECT_EQ(g_previewWindow, nullptr);
  destroyPreview();  // closing a closed preview does nothing
  EXPECT_EQ(g_previewOpen, 0);
}

}  // namespace
