// Drives the real shadeloom.exe from another process, as a user would: finds
// its windows, types into its fields, presses its buttons, answers the colour
// chooser, the save dialog and the messages, and quits it. Each scenario
// prints what it does and ends with "PASS" (exit 0) or "FAIL: why" (exit 1).
//
//   driver save APP OUT.bmp MARKER_DIR   make a picture, save it to OUT.bmp
//   driver locked APP LOCKED.bmp         saving over a read-only file fails
#include <windows.h>

#include <colordlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../res/resource.h"

namespace {

PROCESS_INFORMATION g_program = {};  // the program driven; ended on a failure

template <typename... Args>
void step(const char* format, Args... args) {
  std::printf(("  " + std::string(format) + "\n").c_str(), args...);
  std::fflush(stdout);
}

template <typename... Args>
[[noreturn]] void fail(const char* format, Args... args) {
  if (g_program.hProcess) TerminateProcess(g_program.hProcess, 3);
  std::printf(("FAIL: " + std::string(format) + "\n").c_str(), args...);
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

// A command as the platform reports it: posted (it may open a modal dialog),
// or sent when the driver must wait for the command's work.
void command(HWND dialog, int id, bool wait = false, WORD notification = BN_CLICKED) {
  const WPARAM w = MAKEWPARAM(id, notification);
  const LPARAM control = LPARAM(GetDlgItem(dialog, id));
  if (wait) SendMessageA(dialog, WM_COMMAND, w, control);
  if (!wait) PostMessageA(dialog, WM_COMMAND, w, control);
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

// Types the path into the save dialog, which must propose "Untitled", and presses Save.
HWND saveAs(HWND dialog, const char* path) {
  command(dialog, IDC_SAVE);
  HWND save = waitForWindow("Save File", {dialog});
  HWND name = GetDlgItem(save, edt1) ? GetDlgItem(save, edt1) : GetDlgItem(save, cmb13);
  if (textOf(name) != "Untitled") fail("the save dialog proposes \"%s\", not \"Untitled\"", textOf(name).c_str());
  type(name, path);
  command(save, IDOK);
  step("save dialog answered with %s", path);
  return save;
}

void expectExit(const char* how) {
  DWORD code = 1;
  if (WaitForSingleObject(g_program.hProcess, 15000) != WAIT_OBJECT_0) fail("the program did not end on %s", how);
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
  SendMessageA(GetDlgItem(dialog, IDC_GRADIENT_TYPE), CB_SETCURSEL, 9, 0);
  command(dialog, IDC_GRADIENT_TYPE, true, CBN_SELCHANGE);
  const std::string chosen = textOf(GetDlgItem(dialog, IDC_GRADIENT_TYPE));
  if (chosen != "Sine Radial") fail("type list shows \"%s\"", chosen.c_str());
  step("type \"Sine Radial\" chosen");
  const int colours[][4] = {{IDC_START_COLOR, 0x12, 0x34, 0x56}, {IDC_END_COLOR, 0xC8, 0x64, 0x0A}};
  for (const auto& colour : colours) {  // button, red, green, blue
    command(dialog, colour[0]);
    HWND chooser = waitForWindow("", {dialog});
    if (!GetDlgItem(chooser, COLOR_RED)) fail("the window after the colour button is not the colour chooser");
    for (int i = 0; i < 3; ++i) type(GetDlgItem(chooser, COLOR_RED + i), std::to_string(colour[1 + i]));
    command(chooser, IDOK);
    waitUntilGone(chooser, "the colour chooser");
    step("colour %d, %d, %d chosen with button %d", colour[1], colour[2], colour[3], colour[0]);
  }
  command(dialog, IDC_SWITCH, true);
  step("colours switched");

  type(GetDlgItem(dialog, IDC_WIDTH), "300");
  type(GetDlgItem(dialog, IDC_HEIGHT), "200");
  type(GetDlgItem(dialog, IDC_FREQUENCY), "0.33333");
  command(dialog, IDC_APPLY_SIZE, true);
  const std::string shown = textOf(GetDlgItem(dialog, IDC_FREQUENCY));
  if (shown != "0.333") fail("frequency shows \"%s\"", shown.c_str());
  step("size 300 x 200 and frequency 0.33333 applied; the field shows 0.333");

  command(dialog, IDC_PREVIEW, true);
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
  PostMessageA(GetDlgItem(dialog, IDC_SAVE), WM_KEYDOWN, VK_ESCAPE, 0);
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
    command(warning, IDYES);
    waitUntilGone(warning, "the replace question");
    warning = waitForWindow("Warning", {dialog});
  }
  std::string message;  // the message box's text, once it has one
  waitFor(5000, [&] { return !(message = textOf(GetDlgItem(warning, 0xFFFF))).empty(); });
  if (textOf(warning) != "Warning" || message != "There was an error writing the file.") {
    fail("the message is \"%s\" under \"%s\"", message.c_str(), textOf(warning).c_str());
  }
  step("message \"%s\" under \"Warning\"", message.c_str());
  command(warning, IDOK);
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
