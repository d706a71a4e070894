// The colour commands through the platform's real colour chooser: what it
// opens on, what is stored, rendered and shown, and cancelling.
#include <gtest/gtest.h>
#include <windows.h>

#include <colordlg.h>

#include <string>
#include <vector>

#include "ui_support.h"

namespace {

using ui_test::ModalAnswerer;
using ColorCommand = ui_test::MainDialogTest;

// Answers the colour chooser: notes the red, green, blue it opened on, then
// types `chosen` and confirms, or cancels when it is empty.
ModalAnswerer::Answer chooserAnswer(std::vector<std::vector<int>>& openedOn, std::vector<int> chosen) {
  const int channels[] = {COLOR_RED, COLOR_GREEN, COLOR_BLUE};
  return [&openedOn, chosen, channels](HWND chooser, int) {
    openedOn.emplace_back();
    for (int id : channels) openedOn.back().push_back(int(GetDlgItemInt(chooser, id, nullptr, FALSE)));
    for (size_t i = 0; i < chosen.size(); ++i) SetDlgItemInt(chooser, channels[i], chosen[i], FALSE);
    ui_test::pressButton(chooser, chosen.empty() ? IDCANCEL : IDOK);
  };
}

TEST_F(ColorCommand, ChosenColourIsStoredExactlyRenderedAndShownAndOpenedOnNextTime) {
  struct Row {
    int id;
    uint32_t AppState::*field;
    HBITMAP* swatch;
    int row;  // the image row in the colour of this end
  };
  const Row rows[] = {{IDC_START_COLOR, &AppState::startColor, &g_startSwatch, 0},
                      {IDC_END_COLOR, &AppState::endColor, &g_endSwatch, 511}};
  for (const Row& row : rows) {
    const uint32_t before = g_state->*row.field;
    std::vector<std::vector<int>> openedOn;
    {
      ModalAnswerer answerer(chooserAnswer(openedOn, {0x12, 0x34, 0x56}), dialog());
      EXPECT_EQ(command(row.id), 1);
    }
    {
      ModalAnswerer answerer(chooserAnswer(openedOn, {}), dialog());
      EXPECT_EQ(command(row.id), 1);
    }
    ASSERT_EQ(openedOn.size(), 2u) << "control " << row.id;
    EXPECT_EQ(openedOn[0], (std::vector<int>{int(before & 0xFF), int(before >> 8 & 0xFF), int(before >> 16)}))
        << "control " << row.id << ": opened on the stored colour";
    EXPECT_EQ(openedOn[1], (std::vector<int>{0x12, 0x34, 0x56})) << "control " << row.id << ": then on the chosen one";
    EXPECT_EQ(g_state->*row.field, 0x563412u) << "control " << row.id;
    EXPECT_EQ(ui_test::dibPixel(*row.swatch, 10, 5), 0x123456u) << "control " << row.id << ": swatch";
    EXPECT_EQ(ui_test::imagePixel(0, row.row), 0x123456u) << "control " << row.id << ": rendered at once";
  }
}

TEST_F(ColorCommand, CancellingChangesNothing) {
  g_state->startColor = 0x0000FF;
  refreshDialogFields(dialog());
  HBITMAP swatch = g_startSwatch;
  const uint64_t before = ui_test::imageHash();
  std::vector<std::vector<int>> openedOn;
  {
    ModalAnswerer answerer(chooserAnswer(openedOn, {}), dialog());
    EXPECT_EQ(command(IDC_START_COLOR), 1);
  }
  ASSERT_EQ(openedOn.size(), 1u);
  EXPECT_EQ(g_state->startColor, 0x0000FFu);
  EXPECT_EQ(g_startSwatch, swatch) << "no refresh";
  EXPECT_EQ(GetObjectType(swatch), DWORD(OBJ_BITMAP));
  EXPECT_EQ(ui_test::imageHash(), before) << "nothing rendered";
}

}  // namespace
