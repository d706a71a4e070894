// The compiled resources: the IDD_MAIN template read back from the module and
// compared with the dialog's design, and the icon's four images.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "res/resource.h"

namespace {

const void* loadResource(LPCSTR type, LPCSTR name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, type, name, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  return found ? LockResource(LoadResource(module, found)) : nullptr;
}

// Reads a classic dialog template (DWORD-aligned in the module) word by word.
struct TemplateReader {
  const uint16_t* p;
  const uint16_t* start = p;
  uint16_t word() { return *p++; }
  uint32_t dword() {
    const uint32_t low = word();
    return low | uint32_t(word()) << 16;
  }
  std::string name() {  // a string, or "#N" for an ordinal
    if (*p == 0xFFFF) {
      ++p;
      return "#" + std::to_string(word());
    }
    std::string text;
    for (uint16_t c = word(); c != 0; c = word()) text += char(c < 128 ? c : '?');
    return text;
  }
  std::string rect() {
    std::string text;
    for (int i = 0; i < 4; ++i) text += (i ? " " : "") + std::to_string(int16_t(word()));
    return text;
  }
  std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", unsigned(value));
    return text;
  }
};

TEST(Resources, MainDialogTemplateIsTheDesign) {
  // id, class ordinal (128 button, 129 edit, 130 static, 133 combo box),
  // text, style, extended style, x y cx cy; in tab order.
  const char* const controls[] = {
      "202 #128 'Save...' 50010000 00000000 155 10 50 14",
      "2 #128 'Quit' 50010000 00000000 155 30 50 14",
      "201 #128 'Reset' 50010000 00000000 155 70 50 14",
      "203 #128 'Preview' 50010000 00000000 155 90 50 14",
      "205 #128 'Apply' 50010000 00000000 155 190 50 14",
      "204 #128 'Apply' 50010000 00000000 155 290 50 14",
      "65535 #128 'Preview' 50000007 00000000 5 5 140 120",
      "402 #130 '' 5000100D 00000000 15 20 120 90",
      "65535 #128 'Gradient Options' 50000007 00000000 5 130 140 40",
      "3004 #133 '' 50210003 00000000 15 145 120 180",
      "65535 #128 'Wave Options' 50000007 00000000 5 175 140 35",
      "65535 #130 'Frequency multiplier:' 50020000 00000000 15 190 65 8",
      "3005 #129 '' 50810080 00000000 85 190 40 12",
      "65535 #128 'Color Options' 50000007 00000000 5 215 140 55",
      "65535 #130 'Start color:' 50020002 00000000 10 232 35 8",
      "65535 #130 'End color:' 50020002 00000000 10 251 35 8",
      "301 #128 'Change...' 50010080 00000000 50 230 40 14",
      "302 #128 'Change...' 50010080 00000000 50 249 40 14",
      "206 #128 'Switch' 50010000 00000000 95 230 40 14",
      "65535 #128 'Bitmap Options' 50000007 00000000 5 276 140 50",
      "65535 #130 'Width:' 50020002 00000000 10 292 25 8",
      "4001 #129 '' 50810080 00000000 40 290 40 12",
      "65535 #130 'Height:' 50020002 00000000 10 307 25 8",
      "4002 #129 '' 50810080 00000000 40 306 40 12",
  };
  const auto* data = static_cast<const uint16_t*>(loadResource(RT_DIALOG, MAKEINTRESOURCEA(IDD_MAIN)));
  ASSERT_NE(data, nullptr) << "IDD_MAIN (101) in US English";
  ASSERT_NE(data[0], 1) << "an extended template; the dialog is a classic one";
  TemplateReader r{data};
  // (Each declarator's initialiser is sequenced before the next one.)
  const std::string style = r.hex(r.dword()), exStyle = r.hex(r.dword());
  const uint16_t count = r.word();
  const std::string rect = r.rect(), menu = r.name(), windowClass = r.name(), caption = r.name();
  const int fontSize = r.word();
  const std::string font = r.name();
  EXPECT_EQ(style + " " + exStyle + " " + std::to_string(count) + " " + rect + " menu '" + menu + "' class '" +
                windowClass + "' font " + std::to_string(fontSize) + " '" + font + "'",
            "80C800C0 00000000 24 0 0 212 330 menu '' class '' font 8 'MS Sans Serif'");
  EXPECT_EQ(caption.rfind("Shadeloom v1.0 - ", 0), 0u) << caption;
  EXPECT_GT(caption.size(), 17u) << "a web address follows: " << caption;
  ASSERT_EQ(count, std::size(controls));
  for (const char* expected : controls) {
    if ((r.p - r.start) % 2) ++r.p;
    const std::string style = r.hex(r.dword()), exStyle = r.hex(r.dword()), rect = r.rect();
    const std::string id = std::to_string(r.word()), windowClass = r.name(), text = r.name();
    EXPECT_EQ(id + " " + windowClass + " '" + text + "' " + style + " " + exStyle + " " + rect, expected);
    EXPECT_EQ(r.word(), 0) << expected << ": creation data";
  }
}

TEST(Resources, IconHasItsFourImages) {
  const auto* group = static_cast<const WORD*>(loadResource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP)));
  ASSERT_NE(group, nullptr) << "IDI_APP (100)";
  ASSERT_EQ(group[2], 4) << "images";
  const char* const expected[] = {"32 64 4 16", "16 32 4 16", "32 64 8 0", "16 32 8 0"};  // w, h, bits, colours
  for (int i = 0; i < 4; ++i) {
    const WORD* entry = group + 3 + 7 * i;  // 14 bytes: width, height, colours, 0, planes, bits, size, id
    const auto* image = static_cast<const BITMAPINFOHEADER*>(loadResource(RT_ICON, MAKEINTRESOURCEA(entry[6])));
    ASSERT_NE(image, nullptr) << "image " << i;
    EXPECT_EQ(std::to_string(image->biWidth) + " " + std::to_string(image->biHeight) + " " +
                  std::to_string(image->biBitCount) + " " + std::to_string(LOBYTE(entry[1])),
              expected[i]) << "image " << i << ": colour and mask";
  }
}

}  // namespace
