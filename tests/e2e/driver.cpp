// Drives the real shadeloom.exe from another process, as a user would: finds
// its windows, types into its fields, presses its buttons, answers the colour
// chooser, the save dialog and the messages, and quits it. Each scenario
// prints what it does and ends with "PASS" (exit 0) or "FAIL: why" (exit 1).
//
//   driver save APP OUT.bmp MARKER_DIR   make a picture, save it to OUT.bmp
//   driver locked APP LOCKED.bmp         saving over a read-only file fails
#include <windows.h>

#include <dlgs.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// The dialog's control ids (res/resource.h) and the colour chooser's edits.
constexpr int kSave = 202, kPreview = 203, kApplySize = 204, kSwitch = 206;
constexpr int kStartColor = 301, kEndColor = 302, kGradientType = 3004, kFrequency = 3005;
constexpr int kWidth = 4001, kHeight = 4002;
constexpr int kChooserRed = 706, kChooserGreen = 707, kChooserBlue = 708;

// The program being driven, ended on a failure so nothing is left running.
HANDLE g_driven = nullptr;

[[noreturn]] void fail(const char* format, ...) {
  if (g_driven) TerminateProcess(g_driven, 3);
  va_list args;
  va_start(args, format);
  std::printf("FAIL: ");
  std::vprintf(format, args);
  std::printf("\n");
  va_end(args);
  std::fflush(stdout);
  std::exit(1);
}

void step(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::printf("  ");
  std::vprintf(format, args);
  std::printf("\n");
  va_end(args);
  std::fflush(stdout);
}

std::string textOf(HWND window) {
  char text[1024] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

std::string classOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Program {
  PROCESS_INFORMATION process = {};
};

Program start(const char* path) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  Program program;
  std::string commandLine = std::string("\"") + path + "\"";
  if (!CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &program.process)) {
    fail("cannot start %s (error %lu)", path, GetLastError());
  }
  g_driven = program.process.hProcess;
  WaitForInputIdle(program.process.hProcess, 10000);
  return program;
}

struct WindowSearch {
  DWORD processId;
  const char* windowClass;
  const char* captionPrefix;
  std::vector<HWND> except;
  HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM data) {
  auto& s = *reinterpret_cast<WindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != s.processId || !IsWindowVisible(window) || classOf(window) != s.windowClass) return TRUE;
  for (HWND skipped : s.except) {
    if (window == skipped) return TRUE;
  }
  if (textOf(window).rfind(s.captionPrefix, 0) != 0) return TRUE;
  s.found = window;
  return FALSE;
}

// A visible top-level window of the program whose class and caption match,
// other than those in `except`.
HWND findWindowOf(const Program& program, const char* windowClass, const char* captionPrefix, int timeoutMs,
                  std::vector<HWND> except = {}) {
  WindowSearch search = {program.process.dwProcessId, windowClass, captionPrefix, std::move(except), nullptr};
  for (int waited = 0; waited <= timeoutMs; waited += 50) {
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  }
  return nullptr;
}

HWND waitForDialog(const Program& program, const char* captionPrefix, std::vector<HWND> except = {}) {
  HWND found = findWindowOf(program, "#32770", captionPrefix, 10000, std::move(except));
  if (!found) fail("no window \"%s...\" appeared", captionPrefix);
  return found;
}

void waitUntilGone(HWND window, const char* what) {
  for (int waited = 0; waited < 10000; waited += 50) {
    if (!IsWindow(window) || !IsWindowVisible(window)) return;
    Sleep(50);
  }
  fail("%s did not close", what);
}

// Clicks as the platform reports them, posted: some open modal dialogs.
void click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// A command whose work is done when the call returns (no modal dialog).
void clickAndWait(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void type(HWND dialog, int id, const char* text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string fieldText(HWND dialog, int id) { return textOf(GetDlgItem(dialog, id)); }

BOOL CALLBACK appendStaticText(HWND child, LPARAM out) {
  if (classOf(child) == "Static") {
    const std::string text = textOf(child);
    auto& joined = *reinterpret_cast<std::string*>(out);
    if (!text.empty()) joined += (joined.empty() ? "" : "\n") + text;
  }
  return TRUE;
}

// The joined texts of a message box's static controls, once it has them.
std::string messageOf(HWND box) {
  std::string texts;
  for (int waited = 0; waited < 5000 && texts.empty() && IsWindow(box); waited += 50) {
    if (waited) Sleep(50);
    EnumChildWindows(box, appendStaticText, reinterpret_cast<LPARAM>(&texts));
  }
  return texts;
}

HWND mainDialog(const Program& program) {
  HWND dialog = waitForDialog(program, "Shadeloom v1.0 - ");
  step("main dialog \"%s\"", textOf(dialog).c_str());
  return dialog;
}

void chooseColour(const Program& program, HWND dialog, int button, int red, int green, int blue) {
  click(dialog, button);
  HWND chooser = waitForDialog(program, "", {dialog});
  if (!GetDlgItem(chooser, kChooserRed)) fail("the window after the colour button is not the colour chooser");
  char value[16];
  const int channels[3][2] = {{kChooserRed, red}, {kChooserGreen, green}, {kChooserBlue, blue}};
  for (const auto& channel : channels) {
    std::snprintf(value, sizeof value, "%d", channel[1]);
    type(chooser, channel[0], value);
  }
  click(chooser, IDOK);
  waitUntilGone(chooser, "the colour chooser");
  step("colour %d, %d, %d chosen with button %d", red, green, blue, button);
}

// Types the path into the save dialog and presses Save.
HWND saveAs(const Program& program, HWND dialog, const char* path) {
  click(dialog, kSave);
  HWND save = waitForDialog(program, "Save File", {dialog});
  HWND name = GetDlgItem(save, edt1) ? GetDlgItem(save, edt1) : GetDlgItem(save, cmb13);
  if (!name) fail("the save dialog has no file-name box");
  if (textOf(name) != "Untitled") fail("the save dialog proposes \"%s\", not \"Untitled\"", textOf(name).c_str());
  SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
  click(save, IDOK);
  step("save dialog answered with %s", path);
  return save;
}

void expectExit(const Program& program, const char* how) {
  if (WaitForSingleObject(program.process.hProcess, 15000) != WAIT_OBJECT_0) fail("the program did not end on %s", how);
  g_driven = nullptr;
  DWORD code = 1;
  GetExitCodeProcess(program.process.hProcess, &code);
  if (code != 0) fail("exit code %lu after %s", code, how);
  step("ended with exit code 0 on %s", how);
}

void waitForFile(const char* path) {
  for (int waited = 0; waited < 15000; waited += 100) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return;
    Sleep(100);
  }
  fail("%s was not written", path);
}

// Lets the script outside take a screenshot: a marker file, then its answer.
void screenshot(const char* markerFolder) {
  const std::string ready = std::string(markerFolder) + "\\ready-for-screenshot";
  const std::string done = std::string(markerFolder) + "\\screenshot-done";
  if (FILE* file = std::fopen(ready.c_str(), "w")) std::fclose(file);
  for (int waited = 0; waited < 30000; waited += 100) {
    if (GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES) {
      step("screenshot taken");
      return;
    }
    Sleep(100);
  }
  step("no screenshot was taken (going on without it)");
}

// Sine Radial, colours through the chooser, Switch, a size and a frequency,
// the preview, then a save to `out` and Escape.
void scenarioSave(const char* app, const char* out, const char* markerFolder) {
  Program program = start(app);
  HWND dialog = mainDialog(program);

  HWND list = GetDlgItem(dialog, kGradientType);
  SendMessageA(list, CB_SETCURSEL, 9, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kGradientType, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  char typeName[64] = {};
  SendMessageA(list, WM_GETTEXT, sizeof typeName, reinterpret_cast<LPARAM>(typeName));
  if (std::string(typeName) != "Sine Radial") fail("type list shows \"%s\"", typeName);
  step("type \"%s\" chosen", typeName);

  chooseColour(program, dialog, kStartColor, 0x12, 0x34, 0x56);
  chooseColour(program, dialog, kEndColor, 0xC8, 0x64, 0x0A);
  clickAndWait(dialog, kSwitch);
  step("colours switched");

  type(dialog, kWidth, "300");
  type(dialog, kHeight, "200");
  type(dialog, kFrequency, "0.33333");
  clickAndWait(dialog, kApplySize);
  if (fieldText(dialog, kFrequency) != "0.333") fail("frequency shows \"%s\"", fieldText(dialog, kFrequency).c_str());
  step("size 300 x 200 and frequency 0.33333 applied; the field shows 0.333");

  clickAndWait(dialog, kPreview);
  HWND preview = findWindowOf(program, "PreviewClass", "Preview", 5000);
  if (!preview) fail("no preview window");
  RECT client = {};
  GetClientRect(preview, &client);
  if (client.right != 300 || client.bottom != 200) fail("preview client %ld x %ld", client.right, client.bottom);
  step("preview open with a 300 x 200 client area");
  Sleep(300);
  screenshot(markerFolder);

  HWND save = saveAs(program, dialog, out);
  waitUntilGone(save, "the save dialog");
  waitForFile(out);

  PostMessageA(GetDlgItem(dialog, kSave), WM_KEYDOWN, VK_ESCAPE, 0);
  expectExit(program, "Escape");
}

// Saving over a read-only file: the dialog asks to replace it, the write
// fails with the program's message, the file keeps its bytes; then the close box.
void scenarioLocked(const char* app, const char* locked) {
  if (!SetFileAttributesA(locked, FILE_ATTRIBUTE_READONLY)) fail("cannot make %s read-only", locked);
  Program program = start(app);
  HWND dialog = mainDialog(program);
  HWND save = saveAs(program, dialog, locked);

  HWND question = waitForDialog(program, "", {dialog, save});
  const bool asked = GetDlgItem(question, IDYES) != nullptr;
  if (asked) {
    step("the dialog asks: %s", messageOf(question).c_str());
    click(question, IDYES);
    waitUntilGone(question, "the replace question");
  }
  HWND warning = asked ? waitForDialog(program, "Warning", {dialog}) : question;
  const std::string message = messageOf(warning);
  step("message \"%s\" under \"Warning\"", message.c_str());
  if (message != "There was an error writing the file.") fail("the message is \"%s\"", message.c_str());
  click(warning, IDOK);
  waitUntilGone(warning, "the message");

  PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  expectExit(program, "the close box");
  SetFileAttributesA(locked, FILE_ATTRIBUTE_NORMAL);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "save" && argc == 5) {
    std::printf("scenario save\n");
    scenarioSave(argv[2], argv[3], argv[4]);
  } else if (scenario == "locked" && argc == 4) {
    std::printf("scenario locked\n");
    scenarioLocked(argv[2], argv[3]);
  } else {
    std::fprintf(stderr, "usage: driver save APP OUT.bmp MARKER_DIR | driver locked APP LOCKED.bmp\n");
    return 2;
  }
  std::printf("PASS\n");
  return 0;
}
