// The program's frame run in-process: WinMain with the real modal dialog,
// each way a user quits, the shutdown's releases, and the start-up failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/allocation.h"
#include "ui_support.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int);

namespace {

using ui_test::ModalAnswerer;

int runWinMain() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  return WinMain(instance, nullptr, const_cast<char*>(""), SW_SHOWNORMAL);
}

// WinMain registers the preview class itself.
void forgetPreviewClass() { UnregisterClassA("PreviewClass", GetModuleHandleA(nullptr)); }

struct RunSeen {
  HWND dialog = nullptr;
  RECT dialogRect = {};
  HBITMAP startSwatch = nullptr;
  HBITMAP endSwatch = nullptr;
  HWND preview = nullptr;
  bool hadState = false;
};

TEST(WinMain, EachWayOfQuittingEndsTheProgramAndReleasesEverything) {
  enum Way { QuitButton, EscapeKey, CloseBox };
  struct Row {
    const char* what;
    Way way;
  };
  const Row rows[] = {{"Quit", QuitButton}, {"Escape", EscapeKey}, {"close box", CloseBox}};
  for (const Row& row : rows) {
    forgetPreviewClass();
    RunSeen seen;
    ModalAnswerer answerer([&](HWND dialog, int) {
      seen.dialog = dialog;
      GetWindowRect(dialog, &seen.dialogRect);
      seen.startSwatch = g_startSwatch;
      seen.endSwatch = g_endSwatch;
      seen.hadState = g_state != nullptr;
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW, BN_CLICKED), 0);  // shutdown must close it
      seen.preview = g_previewOpen ? g_previewWindow : nullptr;
      switch (row.way) {
        case QuitButton: ui_test::pressButton(dialog, IDCANCEL); break;
        case EscapeKey: PostMessageA(GetDlgItem(dialog, IDC_SAVE), WM_KEYDOWN, VK_ESCAPE, 0); break;
        case CloseBox: PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
      }
    });
    EXPECT_EQ(runWinMain(), 0) << row.what;
    ASSERT_EQ(answerer.seen().size(), 1u) << row.what << ": the main dialog and nothing else";
    EXPECT_EQ(answerer.seen()[0].caption.rfind("Shadeloom v1.0 - ", 0), 0u) << answerer.seen()[0].caption;
    EXPECT_TRUE(seen.hadState) << row.what;
    EXPECT_FALSE(IsWindow(seen.dialog)) << row.what;
    ASSERT_NE(seen.preview, nullptr) << row.what;
    EXPECT_FALSE(IsWindow(seen.preview)) << row.what << ": the preview is destroyed at shutdown";
    EXPECT_EQ(g_previewOpen, 0) << row.what;
    ASSERT_NE(seen.startSwatch, nullptr) << row.what;
    EXPECT_EQ(GetObjectType(seen.startSwatch), 0u) << row.what << ": swatches deleted";
    EXPECT_EQ(GetObjectType(seen.endSwatch), 0u) << row.what << ": swatches deleted";
    EXPECT_EQ(g_startSwatch, nullptr) << row.what;
    EXPECT_EQ(g_endSwatch, nullptr) << row.what;
    EXPECT_EQ(g_state, nullptr) << row.what;

    RECT screen = {};
    GetWindowRect(GetDesktopWindow(), &screen);
    EXPECT_NEAR((seen.dialogRect.left + seen.dialogRect.right) / 2.0, screen.right / 2.0, 1.0) << "centred";
    EXPECT_NEAR((seen.dialogRect.top + seen.dialogRect.bottom) / 2.0, screen.bottom / 2.0, 1.0) << "centred";
  }
}

TEST(WinMain, StartUpFailuresAreReportedWithNoStateLeft) {
  struct Row {
    const char* what;
    bool classTaken;        // "PreviewClass" already registered
    bool firstImageFails;   // the first image's pixels cannot be allocated
    const char* message;
  };
  const Row rows[] = {
      {"class", true, false, "Failed to register Preview window."},
      {"first image", false, true, "Failed to create gradient image."},
  };
  for (const Row& row : rows) {
    forgetPreviewClass();
    if (row.classTaken) ui_test::ensurePreviewClass();
    if (row.firstImageFails) allocation_faults::failAt(AllocationSite::PixelBlock);
    bool stateWhileShown = true;
    ModalAnswerer answerer([&](HWND box, int) {
      stateWhileShown = g_state != nullptr;
      ui_test::pressButton(box, IDOK);
    });
    EXPECT_EQ(runWinMain(), 0) << row.what;
    allocation_faults::clear();
    ASSERT_EQ(answerer.seen().size(), 1u) << row.what << ": one message and no dialog";
    EXPECT_EQ(answerer.seen()[0].caption, "Error") << row.what;
    EXPECT_EQ(answerer.seen()[0].text, row.message) << row.what;
    EXPECT_FALSE(stateWhileShown) << row.what << ": no AppState alive while the message shows";
    EXPECT_EQ(g_state, nullptr) << row.what;
  }
  forgetPreviewClass();
}

TEST(ModuleDirectory, IsTheFolderOfTheRunningProgram) {
  computeModuleDirectory();
  const std::string folder = g_moduleDirectory;
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\') << folder;
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  const std::string program = path;
  const std::string name = program.substr(program.find_last_of('\\') + 1);
  EXPECT_NE(GetFileAttributesA((folder + name).c_str()), INVALID_FILE_ATTRIBUTES) << folder << name;
}

}  // namespace
