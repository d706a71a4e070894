// Drives the real shadeloom.exe from another process, as a user would: finds
// its windows, types into its fields, presses its buttons, answers the colour
// chooser, the save dialog and the messages, and quits it. Each scenario
// prints what it does and ends with "PASS" (exit 0) or "FAIL: why" (exit 1).
//
//   driver save APP OUT.bmp MARKER_DIR   make a picture, save it to OUT.bmp
//   driver locked APP LOCKED.bmp         saving over a read-only file fails
#include <windows.h>

#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The dialog's control ids (res/resource.h) and the colour chooser's edits.
constexpr int kSave = 202, kPreview = 203, kApplySize = 204, kSwitch = 206;
constexpr int kStartColor = 301, kEndColor = 302, kGradientType = 3004, kFrequency = 3005;
constexpr int kWidth = 4001, kHeight = 4002;
constexpr int kChooserRed = 706;  // then green 707, blue 708

PROCESS_INFORMATION g_program = {};  // the program driven; ended on a failure

template <typename... Args>
void step(const char* format, Args... args) {
  std::printf("  ");
  std::printf(format, args...);
  std::printf("\n");
  std::fflush(stdout);
}

template <typename... Args>
[[noreturn]] void fail(const char* format, Args... args) {
  if (g_program.hProcess) TerminateProcess(g_program.hProcess, 3);
  std::printf("FAIL: ");
  std::printf(format, args...);
  std::printf("\n");
  std::exit(1);
}

// Polls `done` every 50 ms for up to `timeoutMs`.
template <typename Done>
bool waitFor(int timeoutMs, Done done) {
  for (int waited = 0; !done(); waited += 50) {
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

std::string textOf(HWND window) {
  char text[1024] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, LPARAM(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

// A visible top-level window of the program with this class and caption
// prefix, other than those in `except`; a failure when none comes.
HWND waitForWindow(const char* captionPrefix, std::vector<HWND> except = {}, const char* windowClass = "#32770") {
  HWND found = nullptr;
  waitFor(10000, [&] {
    for (HWND w = nullptr; !found && (w = FindWindowExA(nullptr, w, windowClass, nullptr));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == g_program.dwProcessId && IsWindowVisible(w) && std::count(except.begin(), except.end(), w) == 0 &&
          textOf(w).rfind(captionPrefix, 0) == 0) {
        found = w;
      }
    }
    return found != nullptr;
  });
  if (!found) fail("no window \"%s...\" appeared", captionPrefix);
  return found;
}

void waitUntilGone(HWND window, const char* what) {
  if (!waitFor(10000, [&] { return !IsWindow(window) || !IsWindowVisible(window); })) fail("%s did not close", what);
}

// A click as the platform reports it: posted (it may open a modal dialog),
// or sent when the driver must wait for the command's work.
void click(HWND dialog, int id, bool wait = false) {
  const WPARAM command = MAKEWPARAM(id, BN_CLICKED);
  const LPARAM control = LPARAM(GetDlgItem(dialog, id));
  if (wait) {
    SendMessageA(dialog, WM_COMMAND, command, control);
  } else {
    PostMessageA(dialog, WM_COMMAND, command, control);
  }
}

void type(HWND control, const std::string& text) { SendMessageA(control, WM_SETTEXT, 0, LPARAM(text.c_str())); }

HWND start(const char* path) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = std::string("\"") + path + "\"";
  if (!CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &g_program)) {
    fail("cannot start %s (error %lu)", path, GetLastError());
  }
  WaitForInputIdle(g_program.hProcess, 10000);
  HWND dialog = waitForWindow("Shadeloom v1.0 - ");
  step("main dialog \"%s\"", textOf(dialog).c_str());
  return dialog;
}

void chooseColour(HWND dialog, int button, int red, int green, int blue) {
  click(dialog, button);
  HWND chooser = waitForWindow("", {dialog});
  if (!GetDlgItem(chooser, kChooserRed)) fail("the window after the colour button is not the colour chooser");
  const int channels[] = {red, green, blue};
  for (int i = 0; i < 3; ++i) type(GetDlgItem(chooser, kChooserRed + i), std::to_string(channels[i]));
  click(chooser, IDOK);
  waitUntilGone(chooser, "the colour chooser");
  step("colour %d, %d, %d chosen with button %d", red, green, blue, button);
}

// Types the path into the save dialog, which must propose "Untitled", and presses Save.
HWND saveAs(HWND dialog, const char* path) {
  click(dialog, kSave);
  HWND save = waitForWindow("Save File", {dialog});
  HWND name = GetDlgItem(save, edt1) ? GetDlgItem(save, edt1) : GetDlgItem(save, cmb13);
  if (!name) fail("the save dialog has no file-name box");
  if (textOf(name) != "Untitled") fail("the save dialog proposes \"%s\", not \"Untitled\"", textOf(name).c_str());
  type(name, path);
  click(save, IDOK);
  step("save dialog answered with %s", path);
  return save;
}

void expectExit(const char* how) {
  if (WaitForSingleObject(g_program.hProcess, 15000) != WAIT_OBJECT_0) fail("the program did not end on %s", how);
  DWORD code = 1;
  GetExitCodeProcess(g_program.hProcess, &code);
  g_program.hProcess = nullptr;
  if (code != 0) fail("exit code %lu after %s", code, how);
  step("ended with exit code 0 on %s", how);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Sine Radial, colours through the chooser, Switch, a size and a frequency,
// the preview and a screenshot by the script outside, then a save to `out` and Escape.
void scenarioSave(const char* app, const char* out, const std::string& markerFolder) {
  HWND dialog = start(app);
  HWND list = GetDlgItem(dialog, kGradientType);
  SendMessageA(list, CB_SETCURSEL, 9, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kGradientType, CBN_SELCHANGE), LPARAM(list));
  if (textOf(list) != "Sine Radial") fail("type list shows \"%s\"", textOf(list).c_str());
  step("type \"Sine Radial\" chosen");
  chooseColour(dialog, kStartColor, 0x12, 0x34, 0x56);
  chooseColour(dialog, kEndColor, 0xC8, 0x64, 0x0A);
  click(dialog, kSwitch, true);
  step("colours switched");

  type(GetDlgItem(dialog, kWidth), "300");
  type(GetDlgItem(dialog, kHeight), "200");
  type(GetDlgItem(dialog, kFrequency), "0.33333");
  click(dialog, kApplySize, true);
  const std::string shown = textOf(GetDlgItem(dialog, kFrequency));
  if (shown != "0.333") fail("frequency shows \"%s\"", shown.c_str());
  step("size 300 x 200 and frequency 0.33333 applied; the field shows 0.333");

  click(dialog, kPreview, true);
  RECT client = {};
  GetClientRect(waitForWindow("Preview", {}, "PreviewClass"), &client);
  if (client.right != 300 || client.bottom != 200) fail("preview client %ld x %ld", client.right, client.bottom);
  step("preview open with a 300 x 200 client area");
  Sleep(300);
  if (FILE* ready = std::fopen((markerFolder + "\\ready-for-screenshot").c_str(), "w")) std::fclose(ready);
  step(waitFor(30000, [&] { return exists(markerFolder + "\\screenshot-done"); }) ? "screenshot taken"
                                                                                   : "no screenshot (going on)");

  waitUntilGone(saveAs(dialog, out), "the save dialog");
  if (!waitFor(15000, [&] { return exists(out); })) fail("%s was not written", out);
  PostMessageA(GetDlgItem(dialog, kSave), WM_KEYDOWN, VK_ESCAPE, 0);
  expectExit("Escape");
}

// Saving over a read-only file: the dialog asks to replace it, the write
// fails with the program's message (the script checks the bytes); then the close box.
void scenarioLocked(const char* app, const char* locked) {
  if (!SetFileAttributesA(locked, FILE_ATTRIBUTE_READONLY)) fail("cannot make %s read-only", locked);
  HWND dialog = start(app);
  HWND save = saveAs(dialog, locked);
  HWND warning = waitForWindow("", {dialog, save});
  if (GetDlgItem(warning, IDYES)) {
    step("the dialog asks whether to replace the file");
    click(warning, IDYES);
    waitUntilGone(warning, "the replace question");
    warning = waitForWindow("Warning", {dialog});
  }
  std::string message;  // the message box's text, once it has one
  waitFor(5000, [&] { return !(message = textOf(GetDlgItem(warning, 0xFFFF))).empty(); });
  if (textOf(warning) != "Warning" || message != "There was an error writing the file.") {
    fail("the message is \"%s\" under \"%s\"", message.c_str(), textOf(warning).c_str());
  }
  step("message \"%s\" under \"Warning\"", message.c_str());
  click(warning, IDOK);
  waitUntilGone(warning, "the message");
  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  expectExit("the close box");
  SetFileAttributesA(locked, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "save" && argc == 5) {
    scenarioSave(argv[2], argv[3], argv[4]);
  } else if (scenario == "locked" && argc == 4) {
    scenarioLocked(argv[2], argv[3]);
  } else {
    std::fprintf(stderr, "usage: driver save APP OUT.bmp MARKER_DIR | driver locked APP LOCKED.bmp\n");
    return 2;
  }
  std::printf("%s: PASS\n", argv[1]);
  return 0;
}
