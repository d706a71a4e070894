// The executable's folder, from the kernel; the folder rules themselves are
// in folder_text.cpp.
#include "module_directory.h"

#include <windows.h>

#include <cstring>

#include "app/app_state.h"
#include "app/folder_text.h"

void computeModuleDirectory() {
  char fileName[kTextBufferSize] = {};
  std::memset(g_moduleDirectory, 0, sizeof g_moduleDirectory);
  const DWORD length = GetModuleFileNameA(nullptr, fileName, kTextBufferSize);
  // A name that filled the whole buffer was cut short, and the folder of a
  // cut-short path may be another folder: treat it as unavailable.
  const bool haveFileName = length > 0 && length < kTextBufferSize;
  if (haveFileName) folderOfPath(fileName, g_moduleDirectory, sizeof g_moduleDirectory);
  if (!haveFileName) {
    char current[kTextBufferSize] = {};
    const DWORD currentLength = GetCurrentDirectoryA(kTextBufferSize, current);
    if (currentLength > 0 && currentLength < kTextBufferSize) std::memcpy(g_moduleDirectory, current, sizeof current);
  }
  // A folder with no room for its backslash is dropped rather than kept
  // without one: folder texts always end in a backslash unless empty.
  if (!appendTrailingBackslash(g_moduleDirectory, sizeof g_moduleDirectory)) g_moduleDirectory[0] = '\0';
}
