// Saving through the real save-file dialog: where it opens, what it proposes,
// where the file lands, the folder remembered, and a file that cannot be replaced.
#include <gtest/gtest.h>
#include <windows.h>

#include <dlgs.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/save_image.h"
#include "image/bmp_writer.h"
#include "ui_support.h"

namespace {

using ui_test::ModalAnswerer;
using SaveImage = ui_test::MainDialogTest;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under the temporary folder, with a trailing backslash;
// removed with the files the tests write.
struct TemporaryFolder {
  std::string path;
  TemporaryFolder() {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    static int made = 0;
    path = std::string(base) + "shadeloom-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made) + "\\";
    CreateDirectoryA(path.c_str(), nullptr);
  }
  ~TemporaryFolder() {
    for (const char* name : {"reference.bmp", "plain.bmp", "locked.bmp"}) {
      SetFileAttributesA((path + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA((path + name).c_str());
    }
    SetCurrentDirectoryA(g_moduleDirectory);  // the save dialog moves into the folder it saved in
    EXPECT_TRUE(RemoveDirectoryA(path.c_str())) << path << ": nothing else written there";
  }
};

// Notes what the save dialog shows (the current folder while it is open, the
// proposed name, the file type), then cancels (null `typed`) or types `typed`
// and presses Save.
void answerSave(HWND dialog, std::vector<std::string>& seen, const char* typed) {
  HWND name = GetDlgItem(dialog, edt1) ? GetDlgItem(dialog, edt1) : GetDlgItem(dialog, cmb13);
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  std::string current = folder;
  if (current.back() != '\\') current += '\\';
  seen.push_back(current + " " + ui_test::windowText(name) + " " + ui_test::windowText(GetDlgItem(dialog, cmb1)));
  if (typed) SetWindowTextA(name, typed);
  ui_test::pressButton(dialog, typed ? IDOK : IDCANCEL);
}

TEST_F(SaveImage, OpensWhereTheLastSaveWentProposingUntitledAndWritesTheImage) {
  TemporaryFolder folder;
  const std::string reference = folder.path + "reference.bmp";
  ASSERT_EQ(writeBmpFile(reference.c_str(), g_state->image.bitmap), 1);
  const std::string typed = folder.path + "plain";  // the default extension is added
  struct Step {
    const char* typed;  // null: cancel
    int result;
    std::string openedIn, folderAfter;
  };
  const Step steps[] = {
      {nullptr, 0, g_moduleDirectory, g_moduleDirectory},  // the first save opens beside the program
      {typed.c_str(), 1, g_moduleDirectory, folder.path},
      {nullptr, 0, folder.path, folder.path},
  };
  for (const Step& step : steps) {
    std::vector<std::string> seen;
    ModalAnswerer answerer([&](HWND box, int) { answerSave(box, seen, step.typed); }, dialog());
    EXPECT_EQ(saveImage(dialog()), step.result) << step.openedIn;
    ASSERT_EQ(seen.size(), 1u) << step.openedIn;
    ASSERT_EQ(answerer.seen().size(), 1u) << "no message after the dialog";
    EXPECT_EQ(answerer.seen()[0].caption, "Save File");
    EXPECT_EQ(seen[0], step.openedIn + " Untitled Bitmap files (*.bmp)");
    EXPECT_EQ(std::string(g_state->saveDirectory), step.folderAfter);
  }
  EXPECT_TRUE(readFile(typed + ".bmp") == readFile(reference)) << "the image's BMP, byte for byte";
}

TEST_F(SaveImage, AFileThatCannotBeReplacedIsReportedAndLeftAsItWas) {
  TemporaryFolder folder;
  const std::string locked = folder.path + "locked.bmp";
  std::ofstream(locked, std::ios::binary) << "keep me";
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  std::vector<std::string> seen;
  ModalAnswerer answerer(
      [&](HWND box, int index) {
        if (index == 0) return answerSave(box, seen, locked.c_str());
        ui_test::pressButton(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);  // "replace?", then our message
      },
      dialog());
  EXPECT_EQ(saveImage(dialog()), 0);
  ASSERT_GE(answerer.seen().size(), 2u);
  EXPECT_EQ(answerer.seen().back().caption + ": " + answerer.seen().back().text,
            "Warning: There was an error writing the file.");
  EXPECT_EQ(readFile(locked), "keep me");
  EXPECT_STREQ(g_state->saveDirectory, g_moduleDirectory) << "a failed save keeps the folder";
}

}  // namespace
