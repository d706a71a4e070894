// ReplacingFile's platform edge on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstring>

#include "replace_file.h"

namespace {
// What a file keeps of its attributes when a save replaces it; read-only
// files are refused before.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

FILE* streamOf(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    SetLastError(ERROR_TOO_MANY_OPEN_FILES);
    return nullptr;
  }
  FILE* file = _fdopen(descriptor, "wb");
  if (!file) {
    _close(descriptor);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return file;
}
}  // namespace

std::string systemErrorText(uint32_t error) {
  if (error == 0) return std::string();
  char text[512] = {};
  if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                      sizeof text, nullptr))
    return "system error " + std::to_string(error);
  std::string result = text;
  while (!result.empty() && std::strchr(". \r\n", result.back())) result.pop_back();
  return result;
}

namespace replace_file_platform {

uint32_t processTag() { return GetCurrentProcessId(); }

uint32_t lastError() { return GetLastError(); }

// The full path: a relative one would leave the length limit unchecked, and
// Wine's ReplaceFileA refuses relative paths.
std::string finalPath(const char* destination) {
  std::string path(GetFullPathNameA(destination, 0, nullptr, nullptr), '\0');
  const DWORD length = path.empty() ? 0 : GetFullPathNameA(destination, DWORD(path.size()), &path[0], nullptr);
  if (length == 0 || length >= path.size()) return destination;
  path.resize(length);
  return path;
}

Destination examine(const char* path) {
  Destination facts = {};
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return facts;  // creating it will tell why, if it cannot be
  facts.exists = true;
  facts.regular = !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  // Windows refuses to replace or write a read-only file; Wine running as
  // root writes it all the same, so the attribute is checked here.
  if (attributes & FILE_ATTRIBUTE_READONLY) facts.refusal = ERROR_ACCESS_DENIED;
  const HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION information;
    facts.sharedByLinks = facts.regular && GetFileInformationByHandle(handle, &information) &&
                          information.nNumberOfLinks > 1;
    CloseHandle(handle);
  }
  return facts;
}

// MAX_PATH less the terminating NUL. Wine creates longer paths but cannot
// move or delete them through every call.
size_t longestPath() { return MAX_PATH - 1; }

FILE* createNew(const char* path) {
  return streamOf(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool nameTaken(uint32_t error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

bool creationRefused(uint32_t error) { return error == ERROR_ACCESS_DENIED; }

FILE* openForOverwrite(const char* path, bool* created) {
  const HANDLE handle =
      CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  *created = handle != INVALID_HANDLE_VALUE && GetLastError() != ERROR_ALREADY_EXISTS;
  return streamOf(handle);
}

bool cutAtPosition(FILE* file) {
  return SetEndOfFile(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != 0;
}

bool syncToDisk(FILE* file) { return _commit(_fileno(file)) == 0; }

bool moveIntoPlace(const char* temporary, const char* destination) {
  const auto moveOver = [&] {
    return MoveFileExA(temporary, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  };
  const DWORD attributes = GetFileAttributesA(destination);
  if (attributes == INVALID_FILE_ATTRIBUTES) return moveOver();
  // ReplaceFileA gives the new file the old one's identity: attributes,
  // security descriptor, alternate streams, creation time. Wine keeps none
  // of them, so the attributes are also carried over by hand.
  const DWORD kept = attributes & kKeptAttributes;
  SetFileAttributesA(temporary, kept ? kept : FILE_ATTRIBUTE_NORMAL);
  if (ReplaceFileA(destination, temporary, nullptr, REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS,
                   nullptr, nullptr))
    return true;
  // The old file is gone but the new one kept its temporary name: finish the
  // move rather than lose both.
  return GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT && moveOver();
}

void removeFile(const char* path) { DeleteFileA(path); }

}  // namespace replace_file_platform
