// The Preview window: opening at the image's size, re-opening after a resize
// and after the user closed it (Reset closing it is a row of the command table).
#include "gradient/catalogue.h"
#include "ui_support.h"

namespace ui_test {
namespace {

using PreviewWindow = MainDialogTest;

// Left, top, client width, client height.
std::vector<long> frameOf(HWND window) {
  RECT outer = {}, client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  return {outer.left, outer.top, client.right, client.bottom};
}

// Opening at the top left at the image's size, showing it; Preview again keeps
// the place, takes the new size and repaints at once; after the user closes
// it, a new one opens at the top left.
TEST_F(PreviewWindow, OpensReopensAndOpensAgainAfterTheUserClosedIt) {
  ASSERT_EQ(command(IDC_PREVIEW), 1);  // pumps: the first paint has come
  ASSERT_EQ(g_previewOpen, 1);
  HWND preview = g_previewWindow;
  EXPECT_EQ(windowText(preview), "Preview");
  EXPECT_EQ(GetWindowLongA(preview, GWL_STYLE), LONG(0x16CF0000));
  EXPECT_EQ(GetWindow(preview, GW_OWNER), nullptr);
  EXPECT_EQ(frameOf(preview), (std::vector<long>{0, 0, 512, 512})) << "left, top, client size";
  const Pixels first = readClientPixels(preview);
  for (int y : {0, 256, 511}) EXPECT_EQ(first.at(300, y), imagePixel(300, y)) << "row " << y;

  SetWindowPos(preview, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(preview, SW_MINIMIZE);
  g_state->gradientType = LinearHorizontal;
  type("300", "200");
  command(IDC_APPLY_SIZE);
  ASSERT_EQ(mainDialogProc(dialog(), WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0), 1);
  EXPECT_EQ(g_previewWindow, preview) << "the same window";
  EXPECT_FALSE(IsIconic(preview)) << "restored";
  EXPECT_EQ(frameOf(preview), (std::vector<long>{40, 30, 300, 200}));
  const Pixels shown = readClientPixels(preview);  // no messages pumped: painted during the command
  for (int x : {0, 150, 299}) EXPECT_EQ(shown.at(x, 100), imagePixel(x, 100)) << "column " << x;

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
