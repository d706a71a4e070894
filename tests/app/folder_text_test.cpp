// Folder texts, never running past a 256-byte buffer.
#include <gtest/gtest.h>

#include <string>

#include "app/folder_text.h"

namespace {

TEST(FolderText, FolderOfPath) {
  // 255 characters with the backslash fit with the terminator; 256 do not.
  const std::string fits = "C:\\" + std::string(251, 'a') + "\\", tooLong = "C:\\" + std::string(252, 'a') + "\\";
  const struct {
    std::string path, folder;
    bool fits;
  } cases[] = {
      {"E:\\Tools\\App\\run.exe", "E:\\Tools\\App\\", true}, {"E:\\run.exe", "E:\\", true},
      {"E:\\Tools\\\\App\\\\\\run.exe", "E:\\Tools\\App\\", true},  // runs of backslashes count as one
      {"\\\\server\\share\\run.exe", "server\\share\\", true},      // leading ones make no empty token
      {"E:\\Tools\\App\\", "E:\\Tools\\", true},                    // nor do trailing ones
      {"run.exe", "", true}, {"", "", true}, {"\\\\\\", "", true},
      {fits + "x.exe", fits, true}, {tooLong + "x.exe", "", false}};  // left empty
  for (const auto& c : cases) {
    char out[256];
    EXPECT_EQ(folderOfPath(c.path.c_str(), out, sizeof out), c.fits) << c.path;
    EXPECT_EQ(out, c.folder) << c.path;
  }
  char tiny[4];
  EXPECT_FALSE(folderOfPath("ab\\cd\\e", tiny, sizeof tiny));
  EXPECT_STREQ(tiny, "");
}

TEST(FolderText, TrailingBackslash) {
  const std::string full(255, 'a');  // no room for one more character
  const struct {
    std::string before, after;
    bool fits;
  } cases[] = {{"D:\\Work", "D:\\Work\\", true}, {"D:\\", "D:\\", true}, {"", "", true}, {"x", "x\\", true},
               {full, full, false}};
  for (const auto& c : cases) {
    char folder[256];
    std::snprintf(folder, sizeof folder, "%s", c.before.c_str());
    EXPECT_EQ(appendTrailingBackslash(folder, sizeof folder), c.fits) << c.before;
    EXPECT_EQ(folder, c.after);
  }
  char unterminated[4] = {'a', 'b', 'c', 'd'};  // never read past the buffer
  EXPECT_FALSE(appendTrailingBackslash(unterminated, sizeof unterminated));
}

}  // namespace
