// Saving through the real save-file dialog: where it opens, what it proposes,
// where the file lands, the folder remembered, and the failure messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <dlgs.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/save_image.h"
#include "image/bmp_writer.h"
#include "ui_support.h"

namespace {

using ui_test::MainDialogTest;
using ui_test::ModalAnswerer;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string currentDirectory() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  std::string text = folder;
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text;
}

// The file-name box of the save dialog: an edit or, in newer dialogs, a combo.
HWND fileNameBox(HWND dialog) {
  if (HWND edit = GetDlgItem(dialog, edt1)) return edit;
  return GetDlgItem(dialog, cmb13);
}

// A fresh folder of its own under the temporary folder, with a trailing backslash.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const char* name) {
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    path_ = std::string(base) + "shadeloom-ui-" + std::to_string(GetCurrentProcessId()) + "-" + name + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TemporaryFolder() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string file = path_ + found.cFileName;
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file.c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// What the answerer saw in a save dialog.
struct SaveDialogSeen {
  std::string folder;    // the current directory while it was open
  std::string fileName;  // the proposed name
  std::string filter;    // the selected file type
};

// The save dialog's answer: note what it shows, then type `fileName` (null
// keeps the proposal) and press Save, or cancel when `cancel`.
void answerSave(HWND dialog, std::vector<SaveDialogSeen>& seen, const char* fileName, bool cancel) {
  char filter[256] = {};
  GetDlgItemTextA(dialog, cmb1, filter, sizeof filter);
  seen.push_back({currentDirectory(), ui_test::windowText(fileNameBox(dialog)), filter});
  if (cancel) {
    ui_test::pressButton(dialog, IDCANCEL);
    return;
  }
  if (fileName) SetWindowTextA(fileNameBox(dialog), fileName);
  ui_test::pressButton(dialog, IDOK);
}

std::string bmpOfTheImage() {
  TemporaryFolder folder("reference");
  const std::string path = folder.path() + "reference.bmp";
  EXPECT_EQ(writeBmpFile(path.c_str(), g_state->image.bitmap), 1);
  return readFile(path);
}

using SaveImage = MainDialogTest;

TEST_F(SaveImage, FirstSaveOpensInTheProgramsFolderProposingUntitled) {
  EXPECT_STREQ(g_state->saveDirectory, g_moduleDirectory);
  std::vector<SaveDialogSeen> seen;
  ModalAnswerer answerer([&](HWND box, int) { answerSave(box, seen, nullptr, true); }, dialog());
  EXPECT_EQ(saveImage(dialog()), 0);
  ASSERT_EQ(answerer.seen().size(), 1u) << "a cancelled dialog shows no message";
  EXPECT_EQ(answerer.seen()[0].caption, "Save File");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].folder, g_moduleDirectory);
  EXPECT_EQ(seen[0].fileName, "Untitled");
  EXPECT_EQ(seen[0].filter, "Bitmap files (*.bmp)");
  EXPECT_STREQ(g_state->saveDirectory, g_moduleDirectory) << "cancelling keeps the folder";
}

TEST_F(SaveImage, SavesWhereTheUserSaysAndTheNextSaveOpensThere) {
  TemporaryFolder first("first");
  TemporaryFolder second("second");
  std::strcpy(g_state->saveDirectory, first.path().c_str());
  const std::string expected = bmpOfTheImage();
  ASSERT_EQ(expected.size(), 54u + 512 * 512 * 3);

  struct Step {
    const char* typed;  // null keeps "Untitled"
    std::string savedAs;
    std::string folderAfter;
  };
  const std::string secondPath = second.path() + "second.bmp";
  const Step steps[] = {
      {"plain", first.path() + "plain.bmp", first.path()},  // the default extension is added
      {secondPath.c_str(), secondPath, second.path()},
      {nullptr, second.path() + "Untitled.bmp", second.path()},
  };
  std::string openedIn = first.path();
  for (const Step& step : steps) {
    std::vector<SaveDialogSeen> seen;
    ModalAnswerer answerer([&](HWND box, int) { answerSave(box, seen, step.typed, false); }, dialog());
    EXPECT_EQ(command(IDC_SAVE), 1);
    ASSERT_EQ(seen.size(), 1u) << step.savedAs;
    EXPECT_EQ(answerer.seen().size(), 1u) << step.savedAs << ": no message";
    EXPECT_EQ(seen[0].folder, openedIn) << step.savedAs;
    EXPECT_EQ(seen[0].fileName, "Untitled") << step.savedAs;
    ASSERT_TRUE(fileExists(step.savedAs)) << step.savedAs;
    EXPECT_TRUE(readFile(step.savedAs) == expected) << step.savedAs << ": the image's BMP, byte for byte";
    EXPECT_EQ(std::string(g_state->saveDirectory), step.folderAfter);
    openedIn = step.folderAfter;
  }
}

TEST_F(SaveImage, AFileThatCannotBeReplacedIsReportedAndLeftAsItWas) {
  TemporaryFolder folder("locked");
  TemporaryFolder start("start");
  const std::string locked = folder.path() + "locked.bmp";
  {
    std::ofstream out(locked, std::ios::binary);
    out << "keep me";
  }
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  std::strcpy(g_state->saveDirectory, start.path().c_str());

  std::vector<SaveDialogSeen> seen;
  ModalAnswerer answerer(
      [&](HWND box, int index) {
        if (index == 0) return answerSave(box, seen, locked.c_str(), false);
        // The dialog's own question before replacing, then our message.
        ui_test::pressButton(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);
      },
      dialog());
  EXPECT_EQ(saveImage(dialog()), 0);
  const std::vector<ui_test::SeenDialog>& boxes = answerer.seen();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes.back().caption, "Warning");
  EXPECT_EQ(boxes.back().text, "There was an error writing the file.");
  EXPECT_EQ(readFile(locked), "keep me");
  EXPECT_EQ(std::string(g_state->saveDirectory), start.path()) << "a failed save keeps the folder";
}

TEST_F(SaveImage, ANameTooLongForTheBufferIsReported) {
  TemporaryFolder folder("long");
  std::strcpy(g_state->saveDirectory, folder.path().c_str());
  // A path of 258 characters: within the platform's own limit of 260, which
  // Wine's dialog does not survive exceeding, but over our 256-byte buffer.
  const std::string name = std::string(258 - folder.path().size() - 4, 'n') + ".bmp";
  std::vector<SaveDialogSeen> seen;
  ModalAnswerer answerer(
      [&](HWND box, int index) {
        if (index == 0) return answerSave(box, seen, name.c_str(), false);
        ui_test::pressButton(box, IDOK);
      },
      dialog());
  EXPECT_EQ(saveImage(dialog()), 0);
  const std::vector<ui_test::SeenDialog>& boxes = answerer.seen();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].caption, "Error");
  EXPECT_EQ(boxes[1].text, "There was an error saving the file.");
  EXPECT_EQ(std::string(g_state->saveDirectory), folder.path());
}

}  // namespace
