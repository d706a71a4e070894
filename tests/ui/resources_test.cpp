// The IDD_MAIN dialog as the code and the user meet it: caption, controls in tab order, the type list's style.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK ignoreMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(Resources, MainDialogTemplateIsTheDesign) {
  // The controls with ids, in tab order: id, class, text.
  const char* const controls[] = {
      "202 Button Save...",
      "2 Button Quit",
      "201 Button Reset",
      "203 Button Preview",
      "205 Button Apply",
      "204 Button Apply",
      "402 Static ",
      "3004 ComboBox ",
      "3005 Edit ",
      "301 Button Change...",
      "302 Button Change...",
      "206 Button Switch",
      "4001 Edit ",
      "4002 Edit ",
  };
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, ignoreMessages, 0);
  ASSERT_NE(dialog, nullptr) << "IDD_MAIN (101)";
  char text[64];
  GetWindowTextA(dialog, text, sizeof text);
  EXPECT_TRUE(std::string(text).rfind("Shadeloom v1.0 - ", 0) == 0 && std::string(text).size() > 17) << text;
  std::string found, expected;
  for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
    char kind[16];
    GetClassNameA(control, kind, sizeof kind);
    GetWindowTextA(control, text, sizeof text);
    const int id = GetDlgCtrlID(control);
    if ((id & 0xFFFF) != 0xFFFF) found += std::to_string(id) + " " + kind + " " + text + "\n";
  }
  for (const char* control : controls) expected += std::string(control) + "\n";
  EXPECT_EQ(found, expected);
  EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDC_GRADIENT_TYPE), GWL_STYLE) & 0xF, CBS_DROPDOWNLIST)
      << "a drop-down list, not editable";
  DestroyWindow(dialog);
}

}  // namespace
