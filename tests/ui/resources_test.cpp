// The compiled IDD_MAIN template against the dialog's design, and the icon's images.
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

// Template fields as text per letter of `layout`: 'x' DWORD, 'w' WORD, 's' string or "#N".
std::string read(const uint16_t*& p, const char* layout) {
  std::string text;
  for (const char* field = layout; *field; ++field) {
    text += field == layout ? "" : " ";
    if (*field == 'x') {
      char hex[16];
      std::snprintf(hex, sizeof hex, "%08X", p[0] | unsigned(p[1]) << 16);
      text += hex, p += 2;
    } else if (*field == 'w' || *p == 0xFFFF) {
      p += *field == 's';
      text += (*field == 's' ? "#" : "") + std::to_string(*p++);
    } else {
      text += '\'';
      for (; *p; ++p) text += char(*p < 128 ? *p : '?');
      text += '\'', ++p;
    }
  }
  return text;
}

TEST(Resources, MainDialogTemplateIsTheDesign) {
  // style, extended style, x y cx cy, id, class (128 button, 129 edit, 130 static, 133 combo), text; tab order.
  const char* const controls[] = {
      "50010000 00000000 155 10 50 14 202 #128 'Save...' 0",
      "50010000 00000000 155 30 50 14 2 #128 'Quit' 0",
      "50010000 00000000 155 70 50 14 201 #128 'Reset' 0",
      "50010000 00000000 155 90 50 14 203 #128 'Preview' 0",
      "50010000 00000000 155 190 50 14 205 #128 'Apply' 0",
      "50010000 00000000 155 290 50 14 204 #128 'Apply' 0",
      "50000007 00000000 5 5 140 120 65535 #128 'Preview' 0",
      "5000100D 00000000 15 20 120 90 402 #130 '' 0",
      "50000007 00000000 5 130 140 40 65535 #128 'Gradient Options' 0",
      "50210003 00000000 15 145 120 180 3004 #133 '' 0",
      "50000007 00000000 5 175 140 35 65535 #128 'Wave Options' 0",
      "50020000 00000000 15 190 65 8 65535 #130 'Frequency multiplier:' 0",
      "50810080 00000000 85 190 40 12 3005 #129 '' 0",
      "50000007 00000000 5 215 140 55 65535 #128 'Color Options' 0",
      "50020002 00000000 10 232 35 8 65535 #130 'Start color:' 0",
      "50020002 00000000 10 251 35 8 65535 #130 'End color:' 0",
      "50010080 00000000 50 230 40 14 301 #128 'Change...' 0",
      "50010080 00000000 50 249 40 14 302 #128 'Change...' 0",
      "50010000 00000000 95 230 40 14 206 #128 'Switch' 0",
      "50000007 00000000 5 276 140 50 65535 #128 'Bitmap Options' 0",
      "50020002 00000000 10 292 25 8 65535 #130 'Width:' 0",
      "50810080 00000000 40 290 40 12 4001 #129 '' 0",
      "50020002 00000000 10 307 25 8 65535 #130 'Height:' 0",
      "50810080 00000000 40 306 40 12 4002 #129 '' 0",
  };
  const auto* p = static_cast<const uint16_t*>(loadResource(RT_DIALOG, MAKEINTRESOURCEA(IDD_MAIN)));
  ASSERT_NE(p, nullptr) << "IDD_MAIN (101) in US English";
  ASSERT_NE(p[0], 1) << "an extended template; the dialog is a classic one";
  const uint16_t* const start = p;
  ASSERT_EQ(read(p, "xxwwwwwss"), "80C800C0 00000000 " + std::to_string(std::size(controls)) + " 0 0 212 330 '' ''");
  const std::string caption = read(p, "s");  // a web address follows
  EXPECT_TRUE(caption.rfind("'Shadeloom v1.0 - ", 0) == 0 && caption.size() > 19) << caption;
  EXPECT_EQ(read(p, "ws"), "8 'MS Sans Serif'");
  for (const char* expected : controls) {
    p += (p - start) % 2;  // each control DWORD-aligned
    EXPECT_EQ(read(p, "xxwwwwwssw"), expected);
  }
}

// Width, height (colour and mask), bits and the group's colour count.
TEST(Resources, IconHasItsFourImages) {
  const auto* group = static_cast<const WORD*>(loadResource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP)));
  ASSERT_NE(group, nullptr) << "IDI_APP (100)";
  std::string images;
  for (int i = 0; i < group[2]; ++i) {
    const WORD* entry = group + 3 + 7 * i;  // 14 bytes: width, height, colours, 0, planes, bits, size, id
    const auto* image = static_cast<const BITMAPINFOHEADER*>(loadResource(RT_ICON, MAKEINTRESOURCEA(entry[6])));
    ASSERT_NE(image, nullptr) << "image " << i;
    images += std::to_string(image->biWidth) + " " + std::to_string(image->biHeight) + " " +
              std::to_string(image->biBitCount) + " " + std::to_string(LOBYTE(entry[1])) + ", ";
  }
  EXPECT_EQ(images, "32 64 4 16, 16 32 4 16, 32 64 8 0, 16 32 8 0, ");
}

}  // namespace
