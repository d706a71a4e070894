#include "save_image.h"

#include <cderr.h>
#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "app/app_state.h"
#include "app/folder_text.h"
#include "image/bmp_writer.h"
#include "ui/user_feedback.h"

#ifndef _WIN64
// OPENFILENAME_SIZE_VERSION_400A, which is not a constant expression: the
// record up to lpTemplateName, without the fields later versions appended.
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76, "the save dialog record of 32-bit Windows");
#endif

namespace {

// OFN_FILEMUSTEXIST is part of the flag set the program has always passed.
constexpr DWORD kSaveFlags =
    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
static_assert(kSaveFlags == 0x00881806, "the save dialog's flags");

constexpr char kFilter[] = "Bitmap files (*.bmp)\0*.bmp\0";  // the literal adds the final NUL

// The folder of the chosen file becomes saveDirectory, with its trailing
// backslash, but only when it fits whole. It is taken from the path the
// dialog returned rather than from the current directory, which not every
// implementation of the dialog moves to a folder that was typed in.
void rememberSaveFolder(const OPENFILENAMEA& dialog) {
  const size_t folderLength = dialog.nFileOffset;
  if (folderLength == 0 || folderLength >= kTextBufferSize || folderLength > std::strlen(dialog.lpstrFile)) return;
  char folder[kTextBufferSize] = {};
  std::memcpy(folder, dialog.lpstrFile, folderLength);
  if (!appendTrailingBackslash(folder, sizeof folder)) return;
  std::memcpy(g_state->saveDirectory, folder, sizeof folder);
}

}  // namespace

int saveImage(HWND owner) {
  char file[kTextBufferSize] = {};
  char fileTitle[kTextBufferSize] = {};
  char title[kTextBufferSize] = {};
  char defaultExtension[kTextBufferSize] = {};
  OPENFILENAMEA dialog;
  std::memset(&dialog, 0, sizeof dialog);

  SetCurrentDirectoryA(g_state->saveDirectory);

  std::strcpy(file, "Untitled");
  std::strcpy(fileTitle, "Untitled");
  std::strcpy(title, "Save File");
  std::strcpy(defaultExtension, "bmp");
  // The named size is 76 bytes on 32-bit Windows and the platform's own
  // equivalent on 64-bit, where 76 is refused.
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = kTextBufferSize;
  dialog.lpstrFileTitle = fileTitle;
  dialog.nMaxFileTitle = kTextBufferSize;
  dialog.lpstrInitialDir = g_state->saveDirectory;
  dialog.lpstrTitle = title;
  dialog.Flags = kSaveFlags;
  dialog.lpstrDefExt = defaultExtension;

  if (!GetSaveFileNameA(&dialog)) {
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) showWarningBox("There was an error saving the file.", "Error");
    return 0;
  }
  int written;
  {
    WaitCursor wait;
    written = writeBmpFile(file, g_state->image.bitmap);
  }
  if (!written) {
    showWarningBox("There was an error writing the file.", "Warning");
    return 0;
  }
  rememberSaveFolder(dialog);
  return 1;
}
