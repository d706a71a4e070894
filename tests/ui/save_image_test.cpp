// Saving through the real save-file dialog: where it opens, what it proposes,
// where the file lands, the folder remembered, and a file that cannot be replaced.
#include "ui_support.h"

#include <dlgs.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "app/save_image.h"
#include "image/bmp_writer.h"

namespace ui_test {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each test in a fresh folder under the temporary folder (`folder`, with a
// trailing backslash), removed with the files the tests write.
class SaveImage : public MainDialogTest {
 protected:
  void SetUp() override {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    folder = std::string(base) + "shadeloom-ui-" + std::to_string(GetCurrentProcessId()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    MainDialogTest::SetUp();
  }
  void TearDown() override {
    MainDialogTest::TearDown();
    for (const char* name : {"reference.bmp", "plain.bmp", "locked.bmp"}) {
      SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA((folder + name).c_str());
    }
    SetCurrentDirectoryA(g_moduleDirectory);  // the save dialog moves into the folder it saved in
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << folder << ": nothing else written there";
  }
  std::string folder;
};

// Notes what the save dialog shows (the current folder while it is open, the
// proposed name, the file type), then cancels (null `typed`) or types `typed`
// and presses Save.
void answerSave(HWND dialog, std::vector<std::string>& seen, const char* typed) {
  HWND name = GetDlgItem(dialog, edt1) ? GetDlgItem(dialog, edt1) : GetDlgItem(dialog, cmb13);
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);
  const char* slash = current[std::strlen(current) - 1] == '\\' ? "" : "\\";
  seen.push_back(current + std::string(slash) + " " + windowText(name) + " " + windowText(GetDlgItem(dialog, cmb1)));
  if (typed) SetWindowTextA(name, typed);
  pressButton(dialog, typed ? IDOK : IDCANCEL);
}

TEST_F(SaveImage, OpensWhereTheLastSaveWentProposingUntitledAndWritesTheImage) {
  ASSERT_EQ(writeBmpFile((folder + "reference.bmp").c_str(), g_state->image.bitmap), 1);
  const std::string typed = folder + "plain", beside = g_moduleDirectory;  // the default extension is added
  const std::string steps[][3] = {  // typed (empty: cancel), folder opened in, folder remembered after
      {"", beside, beside},         // the first save opens beside the program
      {typed, beside, folder},
      {"", folder, folder},
  };
  for (const auto& step : steps) {
    std::vector<std::string> seen;
    ModalAnswerer answerer([&](HWND box, int) { answerSave(box, seen, step[0].empty() ? nullptr : step[0].c_str()); },
                           dialog());
    EXPECT_EQ(saveImage(dialog()), step[0].empty() ? 0 : 1) << step[1];
    EXPECT_EQ(answerer.count(), 1u) << "no message after the dialog: " << answerer.seen();
    EXPECT_EQ(answerer.seen().rfind("Save File: ", 0), 0u) << answerer.seen();
    EXPECT_EQ(seen, std::vector<std::string>{step[1] + " Untitled Bitmap files (*.bmp)"});
    EXPECT_EQ(std::string(g_state->saveDirectory), step[2]);
  }
  EXPECT_TRUE(readFile(typed + ".bmp") == readFile(folder + "reference.bmp")) << "the image's BMP, byte for byte";
}

TEST_F(SaveImage, AFileThatCannotBeReplacedIsReportedAndLeftAsItWas) {
  const std::string locked = folder + "locked.bmp";
  std::ofstream(locked, std::ios::binary) << "keep me";
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  std::vector<std::string> seen;
  ModalAnswerer answerer(
      [&](HWND box, int index) {
        if (index == 0) return answerSave(box, seen, locked.c_str());
        pressButton(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);  // "replace?", then our message
      },
      dialog());
  EXPECT_EQ(saveImage(dialog()), 0);
  ASSERT_GE(answerer.count(), 2u);
  EXPECT_EQ(answerer.seen(answerer.count() - 1), "Warning: There was an error writing the file.");
  EXPECT_EQ(readFile(locked), "keep me");
  EXPECT_STREQ(g_state->saveDirectory, g_moduleDirectory) << "a failed save keeps the folder";
}

}  // namespace
}  // namespace ui_test
