// The Preview window: opening at the image's size, re-opening after a resize
// and after the user closed it (Reset closing it is a row of the command table).
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "gradient/catalogue.h"
#include "ui_support.h"

namespace {

using PreviewWindow = ui_test::MainDialogTest;

// Left, top, client width, client height.
std::vector<long> frameOf(HWND window) {
  RECT outer = {}, client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  return {outer.left, outer.top, client.right, client.bottom};
}

TEST_F(PreviewWindow, OpensAtTheTopLeftAtTheImagesSizeShowingIt) {
  ASSERT_EQ(command(IDC_PREVIEW), 1);  // pumps: the first paint has come
  ASSERT_EQ(g_previewOpen, 1);
  HWND preview = g_previewWindow;
  EXPECT_EQ(ui_test::windowText(preview), "Preview");
  EXPECT_EQ(GetWindowLongA(preview, GWL_STYLE), LONG(0x16CF0000));
  EXPECT_EQ(GetWindow(preview, GW_OWNER), nullptr);
  EXPECT_EQ(frameOf(preview), (std::vector<long>{0, 0, 512, 512})) << "left, top, client size";
  const ui_test::Pixels shown = ui_test::readClientPixels(preview);
  for (int y : {0, 256, 511}) EXPECT_EQ(shown.at(300, y), ui_test::imagePixel(300, y)) << "row " << y;
}

TEST_F(PreviewWindow, PreviewAgainKeepsThePlaceTakesTheNewSizeAndRepaintsAtOnce) {
  command(IDC_PREVIEW);
  HWND preview = g_previewWindow;
  SetWindowPos(preview, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(preview, SW_MINIMIZE);
  g_state->gradientType = LinearHorizontal;
  setText(IDC_WIDTH, "300");
  setText(IDC_HEIGHT, "200");
  command(IDC_APPLY_SIZE);
  ASSERT_EQ(mainDialogProc(dialog(), WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0), 1);
  EXPECT_EQ(g_previewWindow, preview) << "the same window";
  EXPECT_FALSE(IsIconic(preview)) << "restored";
  EXPECT_EQ(frameOf(preview), (std::vector<long>{40, 30, 300, 200}));
  const ui_test::Pixels shown = ui_test::readClientPixels(preview);  // no messages pumped: painted during the command
  for (int x : {0, 150, 299}) EXPECT_EQ(shown.at(x, 100), ui_test::imagePixel(x, 100)) << "column " << x;
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
  ASSERT_EQ(g_previewOpen, 1);
  EXPECT_EQ(frameOf(g_previewWindow), (std::vector<long>{0, 0, 512, 512}));
}

}  // namespace
