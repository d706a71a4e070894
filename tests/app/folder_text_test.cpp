// Folder texts: the executable's folder from its path, and the trailing
// backslash rule, without ever running past a 256-byte buffer.
#include <gtest/gtest.h>

#include <string>

#include "app/folder_text.h"

namespace {

TEST(FolderText, FolderOfPath) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"E:\\Tools\\App\\run.exe", "E:\\Tools\\App\\"},
      {"E:\\run.exe", "E:\\"},
      {"E:\\Tools\\\\App\\\\\\run.exe", "E:\\Tools\\App\\"},  // runs of backslashes count as one
      {"\\\\server\\share\\run.exe", "server\\share\\"},    // leading ones make no empty token
      {"E:\\Tools\\App\\", "E:\\Tools\\"},                  // nor do trailing ones
      {"run.exe", ""},
      {"", ""},
      {"\\\\\\", ""},
  };
  for (const auto& c : cases) {
    char out[256];
    EXPECT_TRUE(folderOfPath(c.path, out, sizeof out)) << c.path;
    EXPECT_STREQ(out, c.folder) << c.path;
  }
}

TEST(FolderText, AFolderThatDoesNotFitIsLeftEmpty) {
  // 250 characters of folder plus its backslash and the file name.
  const std::string longFolder = "C:\\" + std::string(246, 'a');
  char out[256];
  EXPECT_TRUE(folderOfPath((longFolder + "\\x.exe").c_str(), out, sizeof out));
  EXPECT_EQ(std::string(out), longFolder + "\\");

  const std::string tooLong = "C:\\" + std::string(252, 'a');  // 255 characters + backslash
  EXPECT_FALSE(folderOfPath((tooLong + "\\x.exe").c_str(), out, sizeof out));
  EXPECT_STREQ(out, "");

  char tiny[4];
  EXPECT_FALSE(folderOfPath("ab\\cd\\e", tiny, sizeof tiny));
  EXPECT_STREQ(tiny, "");
}

TEST(FolderText, TrailingBackslash) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {{"D:\\Work", "D:\\Work\\"}, {"D:\\", "D:\\"}, {"", ""}, {"x", "x\\"}};
  for (const auto& c : cases) {
    char folder[256];
    std::snprintf(folder, sizeof folder, "%s", c.before);
    EXPECT_TRUE(appendTrailingBackslash(folder, sizeof folder)) << c.before;
    EXPECT_STREQ(folder, c.after);
  }
}

TEST(FolderText, ABackslashThatWouldNotFitIsNotAppended) {
  char folder[256];
  const std::string full(255, 'a');
  std::snprintf(folder, sizeof folder, "%s", full.c_str());
  EXPECT_FALSE(appendTrailingBackslash(folder, sizeof folder));
  EXPECT_EQ(std::string(folder), full);

  char unterminated[4] = {'a', 'b', 'c', 'd'};  // never read past the buffer
  EXPECT_FALSE(appendTrailingBackslash(unterminated, sizeof unterminated));
}

}  // namespace
