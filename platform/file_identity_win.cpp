// File identity on Windows: volume serial number and file index.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "file_identity.h"

namespace {

struct FileIndex {
  DWORD volume, high, low;
};

bool indexOfHandle(HANDLE handle, FileIndex& index) {
  BY_HANDLE_FILE_INFORMATION information;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) return false;
  index = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow};
  return true;
}

bool indexOfPath(const char* path, FileIndex& index) {
  // No access asked for and every sharing mode allowed: works on files that
  // are open elsewhere; the backup flag lets folders open as well.
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const bool found = indexOfHandle(handle, index);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  return found;
}

bool sameIndex(const FileIndex& a, const FileIndex& b) {
  return a.volume == b.volume && a.high == b.high && a.low == b.low;
}

std::string fullPath(const char* path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path, MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(path);
}

}  // namespace

bool sameFile(const char* first, const char* second) {
  FileIndex a, b;
  if (indexOfPath(first, a) && indexOfPath(second, b)) return sameIndex(a, b);
  // File names are compared without regard to case, as the file system does.
  return _stricmp(fullPath(first).c_str(), fullPath(second).c_str()) == 0;
}

bool streamWritesTo(std::FILE* stream, const char* path) {
  FileIndex a, b;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return indexOfHandle(handle, a) && indexOfPath(path, b) && sameIndex(a, b);
}

bool isTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void setBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }
