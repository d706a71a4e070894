// The colour commands through the platform's real colour chooser: what it
// opens on, what is stored, rendered and shown, and cancelling.
#include "ui_support.h"

#include <colordlg.h>

namespace ui_test {
namespace {

using ColorCommand = MainDialogTest;

TEST_F(ColorCommand, ChosenColourIsStoredRenderedShownAndOpenedOnNextTimeAndCancelChangesNothing) {
  struct Row {
    int id;
    uint32_t AppState::*field;
    HBITMAP* swatch;
    int row;  // the image row in the colour of this end
  };
  const Row rows[] = {{IDC_START_COLOR, &AppState::startColor, &g_startSwatch, 0},
                      {IDC_END_COLOR, &AppState::endColor, &g_endSwatch, 511}};
  for (const Row& row : rows) {
    // Notes the red, green, blue the chooser opened on, then types 0x12 0x34 0x56 and
    // confirms (the first time), or cancels (the second).
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
    EXPECT_EQ(g_state->*row.field, 0x563412u) << "control " << row.id;
    EXPECT_EQ(dibPixel(*row.swatch, 10, 5), 0x123456u) << "control " << row.id << ": swatch";
    EXPECT_EQ(imagePixel(0, row.row), 0x123456u) << "control " << row.id << ": rendered at once";
    HBITMAP swatch = *row.swatch;
    const uint64_t chosen = imageHash();
    EXPECT_EQ(command(row.id), 1);  // cancelled
    ASSERT_EQ(openedOn.size(), 2u) << "control " << row.id;
    EXPECT_EQ(openedOn[0], std::to_string(before & 0xFF) + " " + std::to_string(before >> 8 & 0xFF) + " " +
                               std::to_string(before >> 16) + " ")
        << "control " << row.id << ": opened on the stored colour";
    EXPECT_EQ(openedOn[1], "18 52 86 ") << "control " << row.id << ": then on the chosen one";
    EXPECT_EQ(g_state->*row.field, 0x563412u) << "control " << row.id << ": kept after cancelling";
    EXPECT_EQ(*row.swatch, swatch) << "control " << row.id << ": no refresh after cancelling";
    EXPECT_EQ(GetObjectType(swatch), DWORD(OBJ_BITMAP)) << "control " << row.id;
    EXPECT_EQ(imageHash(), chosen) << "control " << row.id << ": nothing rendered after cancelling";
  }
}

}  // namespace
}  // namespace ui_test
