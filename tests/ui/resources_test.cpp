// The compiled resources: the IDD_MAIN template read back from the module and
// compared with the dialog's design, the icon's four images, the version record.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

constexpr WORD kUsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// Reads a classic dialog template word by word.
class TemplateReader {
 public:
  explicit TemplateReader(const void* data) : p_(static_cast<const uint8_t*>(data)), start_(p_) {}
  uint32_t dword() {
    uint32_t value;
    std::memcpy(&value, p_, 4);
    p_ += 4;
    return value;
  }
  uint16_t word() {
    uint16_t value;
    std::memcpy(&value, p_, 2);
    p_ += 2;
    return value;
  }
  int16_t shortValue() { return static_cast<int16_t>(word()); }
  // A string or an ordinal (0xFFFF then the number), as text: "#128" for an ordinal.
  std::string nameOrOrdinal() {
    if (peek() == 0xFFFF) {
      word();
      return "#" + std::to_string(word());
    }
    return text();
  }
  std::string text() {
    std::string value;
    for (uint16_t c = word(); c != 0; c = word()) value += static_cast<char>(c < 128 ? c : '?');
    return value;
  }
  void alignToDword() {
    while ((p_ - start_) % 4) ++p_;
  }
  uint16_t peek() const {
    uint16_t value;
    std::memcpy(&value, p_, 2);
    return value;
  }

 private:
  const uint8_t* p_;
  const uint8_t* start_;
};

struct ControlRow {
  uint16_t id;
  const char* windowClass;  // the ordinal of the predefined class
  const char* text;
  uint32_t style;
  int16_t x, y, cx, cy;
};

// The design of the main dialog, in tab order.
const ControlRow kControls[] = {
    {202, "#128", "Save...", 0x50010000, 155, 10, 50, 14},
    {2, "#128", "Quit", 0x50010000, 155, 30, 50, 14},
    {201, "#128", "Reset", 0x50010000, 155, 70, 50, 14},
    {203, "#128", "Preview", 0x50010000, 155, 90, 50, 14},
    {205, "#128", "Apply", 0x50010000, 155, 190, 50, 14},
    {204, "#128", "Apply", 0x50010000, 155, 290, 50, 14},
    {0xFFFF, "#128", "Preview", 0x50000007, 5, 5, 140, 120},
    {402, "#130", "", 0x5000100D, 15, 20, 120, 90},
    {0xFFFF, "#128", "Gradient Options", 0x50000007, 5, 130, 140, 40},
    {3004, "#133", "", 0x50210003, 15, 145, 120, 180},
    {0xFFFF, "#128", "Wave Options", 0x50000007, 5, 175, 140, 35},
    {0xFFFF, "#130", "Frequency multiplier:", 0x50020000, 15, 190, 65, 8},
    {3005, "#129", "", 0x50810080, 85, 190, 40, 12},
    {0xFFFF, "#128", "Color Options", 0x50000007, 5, 215, 140, 55},
    {0xFFFF, "#130", "Start color:", 0x50020002, 10, 232, 35, 8},
    {0xFFFF, "#130", "End color:", 0x50020002, 10, 251, 35, 8},
    {301, "#128", "Change...", 0x50010080, 50, 230, 40, 14},
    {302, "#128", "Change...", 0x50010080, 50, 249, 40, 14},
    {206, "#128", "Switch", 0x50010000, 95, 230, 40, 14},
    {0xFFFF, "#128", "Bitmap Options", 0x50000007, 5, 276, 140, 50},
    {0xFFFF, "#130", "Width:", 0x50020002, 10, 292, 25, 8},
    {4001, "#129", "", 0x50810080, 40, 290, 40, 12},
    {0xFFFF, "#130", "Height:", 0x50020002, 10, 307, 25, 8},
    {4002, "#129", "", 0x50810080, 40, 306, 40, 12},
};

const void* loadResource(LPCSTR type, LPCSTR name, WORD language, DWORD* size = nullptr) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceExA(module, type, name, language);
  if (!found) return nullptr;
  if (size) *size = SizeofResource(module, found);
  return LockResource(LoadResource(module, found));
}

TEST(Resources, MainDialogTemplateIsTheDesign) {
  const void* data = loadResource(RT_DIALOG, MAKEINTRESOURCEA(IDD_MAIN), kUsEnglish);
  ASSERT_NE(data, nullptr) << "IDD_MAIN (101) in US English";
  TemplateReader reader(data);
  ASSERT_NE(reader.peek(), 1) << "an extended template; the dialog is a classic one";
  EXPECT_EQ(reader.dword(), 0x80C800C0u) << "dialog style";
  EXPECT_EQ(reader.dword(), 0u) << "extended style";
  const uint16_t count = reader.word();
  ASSERT_EQ(count, std::size(kControls)) << "number of controls";
  EXPECT_EQ(reader.shortValue(), 0);
  EXPECT_EQ(reader.shortValue(), 0);
  EXPECT_EQ(reader.shortValue(), 212);
  EXPECT_EQ(reader.shortValue(), 330);
  EXPECT_EQ(reader.nameOrOrdinal(), "") << "menu";
  EXPECT_EQ(reader.nameOrOrdinal(), "") << "dialog class";
  const std::string caption = reader.text();
  EXPECT_EQ(caption.rfind("Shadeloom v1.0 - ", 0), 0u) << caption;
  EXPECT_GT(caption.size(), std::strlen("Shadeloom v1.0 - ")) << "a web address follows";
  EXPECT_EQ(reader.word(), 8) << "font size";
  EXPECT_EQ(reader.text(), "MS Sans Serif");

  for (const ControlRow& row : kControls) {
    reader.alignToDword();
    SCOPED_TRACE("control " + std::to_string(&row - kControls + 1) + " \"" + row.text + "\"");
    EXPECT_EQ(reader.dword(), row.style) << std::hex << "style";
    EXPECT_EQ(reader.dword(), 0u) << "extended style";
    const int16_t x = reader.shortValue(), y = reader.shortValue(), cx = reader.shortValue(), cy = reader.shortValue();
    EXPECT_EQ((std::vector<int>{x, y, cx, cy}), (std::vector<int>{row.x, row.y, row.cx, row.cy})) << "rectangle";
    EXPECT_EQ(reader.word(), row.id) << "id";
    EXPECT_EQ(reader.nameOrOrdinal(), row.windowClass) << "class";
    EXPECT_EQ(reader.nameOrOrdinal(), row.text) << "text";
    EXPECT_EQ(reader.word(), 0) << "creation data";
  }
}

TEST(Resources, IconHasTheFourImages) {
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  const auto* group = static_cast<const WORD*>(loadResource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP), kUsEnglish));
  ASSERT_NE(group, nullptr) << "IDI_APP (100)";
  ASSERT_EQ(group[1], 1) << "an icon group";
  ASSERT_EQ(group[2], 4) << "images";
  const auto* entries = reinterpret_cast<const GroupEntry*>(group + 3);
  struct Expected {
    int size;
    int bitCount;
  };
  const Expected expected[] = {{32, 4}, {16, 4}, {32, 8}, {16, 8}};
  for (int i = 0; i < 4; ++i) {
    const GroupEntry& entry = entries[i];
    const auto* header = static_cast<const BITMAPINFOHEADER*>(
        loadResource(RT_ICON, MAKEINTRESOURCEA(entry.id), kUsEnglish));
    ASSERT_NE(header, nullptr) << "image " << i;
    EXPECT_EQ(header->biWidth, expected[i].size) << "image " << i;
    EXPECT_EQ(header->biHeight, 2 * expected[i].size) << "image " << i << ": colour and mask";
    EXPECT_EQ(header->biBitCount, expected[i].bitCount) << "image " << i;
    EXPECT_EQ(entry.width, expected[i].size) << "image " << i;
    EXPECT_EQ(entry.colorCount, expected[i].bitCount == 4 ? 16 : 0) << "image " << i;
  }
  EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP)), nullptr);
}

TEST(Resources, VersionRecord) {
  DWORD size = 0;
  const void* data = loadResource(RT_VERSION, MAKEINTRESOURCEA(1), kUsEnglish, &size);
  ASSERT_NE(data, nullptr);
  // VerQueryValue wants a writable copy.
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(copy.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 1200);

  struct StringRow {
    const char* name;
    const char* value;  // null: any non-empty text
  };
  const StringRow strings[] = {
      {"FileDescription", "Shadeloom"}, {"InternalName", "Shadeloom"}, {"ProductName", "Shadeloom"},
      {"FileVersion", "1, 0, 0, 0"},    {"ProductVersion", "1, 0, 0, 0"},
      {"Comments", ""},                 {"LegalTrademarks", ""},       {"PrivateBuild", ""},
      {"SpecialBuild", ""},             {"CompanyName", nullptr},      {"LegalCopyright", nullptr},
      {"OriginalFilename", nullptr},
  };
  for (const StringRow& row : strings) {
    char* value = nullptr;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + row.name;
    length = 0;
    const bool found = VerQueryValueA(copy.data(), path.c_str(), reinterpret_cast<void**>(&value), &length);
    ASSERT_TRUE(found) << row.name;
    const std::string actual = length ? std::string(value) : std::string();
    if (row.value) {
      EXPECT_EQ(actual, row.value) << row.name;
    } else {
      EXPECT_FALSE(actual.empty()) << row.name;
    }
  }
}

}  // namespace
