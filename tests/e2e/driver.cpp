// driver save APP OUT.bmp MARKER_DIR: uses shadeloom.exe as a person would for scripts/e2e-test.sh.
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
[[noreturn]] void fail(const char* format, Args... args) {
  if (g_program.hProcess) TerminateProcess(g_program.hProcess, 3);
  std::printf(("FAIL: " + std::string(format) + "\n").c_str(), args...);
  std::exit(1);
}

template <typename Done>
bool waitFor(int timeoutMs, Done done) {  // polls every 50 ms
  for (int waited = 0; !done(); waited += 50) {
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

// A visible top-level window of the program with this class and caption prefix, not in `except`.
HWND waitForWindow(const char* captionPrefix, std::vector<HWND> except = {}, const char* windowClass = "#32770") {
  HWND found = nullptr;
  waitFor(10000, [&] {
    for (HWND w = nullptr; !found && (w = FindWindowExA(nullptr, w, windowClass, nullptr));) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      char caption[256] = {};
      GetWindowTextA(w, caption, sizeof caption);  // another process's caption, read without a message
      if (owner == g_program.dwProcessId && IsWindowVisible(w) && !std::count(except.begin(), except.end(), w) &&
          std::string(caption).rfind(captionPrefix, 0) == 0)
        found = w;
    }
    return found != nullptr;
  });
  if (!found) fail("no window \"%s...\" appeared", captionPrefix);
  return found;
}

// Posted (it may open a modal dialog), or sent when the driver must wait for its work.
void command(HWND dialog, int id, bool wait = false, WORD notification = BN_CLICKED) {
  const WPARAM w = MAKEWPARAM(id, notification);
  const LPARAM control = LPARAM(GetDlgItem(dialog, id));
  wait ? void(SendMessageA(dialog, WM_COMMAND, w, control)) : void(PostMessageA(dialog, WM_COMMAND, w, control));
}

void type(HWND control, const std::string& text) { SendMessageA(control, WM_SETTEXT, 0, LPARAM(text.c_str())); }

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Sine Radial, colours through the chooser, Switch, a size and a frequency,
// the preview and a screenshot by the script, then a save to `out` and Escape.
void scenarioSave(const char* app, const char* out, const std::string& markerFolder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string commandLine = std::string("\"") + app + "\"";
  if (!CreateProcessA(app, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &g_program))
    fail("cannot start %s (error %lu)", app, GetLastError());
  HWND dialog = waitForWindow("Shadeloom v1.0 - ");
  SendMessageA(GetDlgItem(dialog, IDC_GRADIENT_TYPE), CB_SETCURSEL, 9, 0);
  command(dialog, IDC_GRADIENT_TYPE, true, CBN_SELCHANGE);
  const int colours[][4] = {{IDC_START_COLOR, 0x12, 0x34, 0x56}, {IDC_END_COLOR, 0xC8, 0x64, 0x0A}};
  for (const auto& colour : colours) {  // button, red, green, blue
    command(dialog, colour[0]);
    HWND chooser = waitForWindow("", {dialog});
    for (int i = 0; i < 3; ++i) type(GetDlgItem(chooser, COLOR_RED + i), std::to_string(colour[1 + i]));
    command(chooser, IDOK);
    if (!waitFor(10000, [&] { return !IsWindow(chooser) || !IsWindowVisible(chooser); })) fail("chooser stays open");
  }
  command(dialog, IDC_SWITCH, true);
  for (auto [id, text] : {std::pair{IDC_WIDTH, "300"}, {IDC_HEIGHT, "200"}, {IDC_FREQUENCY, "0.33333"}})
    type(GetDlgItem(dialog, id), text);
  command(dialog, IDC_APPLY_SIZE, true);
  command(dialog, IDC_PREVIEW, true);
  waitForWindow("Preview", {}, "PreviewClass");
  Sleep(300);
  if (FILE* ready = std::fopen((markerFolder + "\\ready-for-screenshot").c_str(), "w")) std::fclose(ready);
  waitFor(30000, [&] { return exists(markerFolder + "\\screenshot-done"); });  // without one, going on

  command(dialog, IDC_SAVE);
  HWND save = waitForWindow("Save File", {dialog});
  type(GetDlgItem(save, edt1) ? GetDlgItem(save, edt1) : GetDlgItem(save, cmb13), out);
  command(save, IDOK);
  if (!waitFor(15000, [&] { return exists(out); })) fail("%s was not written", out);
  PostMessageA(GetDlgItem(dialog, IDC_SAVE), WM_KEYDOWN, VK_ESCAPE, 0);
  DWORD code = 1;
  if (WaitForSingleObject(g_program.hProcess, 15000) != WAIT_OBJECT_0) fail("the program did not end on Escape");
  GetExitCodeProcess(g_program.hProcess, &code);
  g_program.hProcess = nullptr;
  if (code != 0) fail("exit code %lu after Escape", code);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || std::string(argv[1]) != "save") return 2;  // see the first line
  scenarioSave(argv[2], argv[3], argv[4]);
  std::printf("save: PASS\n");
  return 0;
}
