// Saving through the real save-file dialog.
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
  return std::string(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

using SaveImage = MainDialogTest;

// The first save opens beside the program; a failed one (over a read-only
// file, "replace?" answered yes) keeps the folder; a good one moves it.
TEST_F(SaveImage, OpensWhereTheLastSaveWentProposingUntitledAndWritesTheImageOrReportsAFailure) {
  char base[MAX_PATH] = {};  // a fresh folder, which must be left empty but for the files named here
  GetTempPathA(sizeof base, base);
  const std::string folder = std::string(base) + "shadeloom-ui-" + std::to_string(GetCurrentProcessId()) + "\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  ASSERT_EQ(writeBmpFile((folder + "reference.bmp").c_str(), g_state->image.bitmap), 1);
  const std::string plain = folder + "plain", locked = folder + "locked.bmp", beside = g_moduleDirectory;
  std::ofstream(locked, std::ios::binary) << "keep me";
  ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string steps[][4] = {  // typed (empty: cancel), folder opened in, folder after, last message
      {"", beside, beside, ""},
      {locked, beside, beside, "Warning: There was an error writing the file."},
      {plain, beside, folder, ""},  // the default extension is added
      {"", folder, folder, ""},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step[0]);
    std::vector<std::string> shown;
    ModalAnswerer answerer(  // notes the folder, name and type the dialog shows, then cancels or saves
        [&](HWND box, int index) {
          if (index > 0) return pressButton(box, GetDlgItem(box, IDYES) ? IDYES : IDOK);  // "replace?", our message
          HWND name = GetDlgItem(box, edt1) ? GetDlgItem(box, edt1) : GetDlgItem(box, cmb13);
          char current[MAX_PATH] = {};
          GetCurrentDirectoryA(sizeof current, current);
          const char* slash = current[std::strlen(current) - 1] == '\\' ? "" : "\\";
          shown.push_back(current + std::string(slash) + " " + windowText(name) + " " +
                          windowText(GetDlgItem(box, cmb1)));
          if (!step[0].empty()) SetWindowTextA(name, step[0].c_str());
          pressButton(box, step[0].empty() ? IDCANCEL : IDOK);
        },
        dialog());
    EXPECT_EQ(saveImage(dialog()), step[0] == plain);
    ASSERT_FALSE(answerer.seen.empty());
    EXPECT_EQ(answerer.seen[0].rfind("Save File: ", 0), 0u) << answerer.seen[0];
    EXPECT_EQ(answerer.seen.size() > 1 ? answerer.seen.back() : "", step[3]);
    EXPECT_EQ(shown, std::vector<std::string>{step[1] + " Untitled Bitmap files (*.bmp)"});
    EXPECT_EQ(std::string(g_state->saveDirectory), step[2]);
  }
  EXPECT_TRUE(readFile(plain + ".bmp") == readFile(folder + "reference.bmp")) << "the image's BMP, byte for byte";
  EXPECT_EQ(readFile(locked), "keep me");
  for (const std::string& file : {folder + "reference.bmp", plain + ".bmp", locked}) {
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(file.c_str());
  }
  SetCurrentDirectoryA(g_moduleDirectory);  // the save dialog moved into the folder it saved in
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << folder << ": nothing else written there";
}

}  // namespace
}  // namespace ui_test
