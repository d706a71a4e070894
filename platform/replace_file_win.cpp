// ReplacingFile's platform edge on Windows.
#include <io.h>
#include <windows.h>

#include "replace_file.h"

namespace replace_file_platform {

uint32_t processTag() { return GetCurrentProcessId(); }

bool pathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

bool syncToDisk(FILE* file) { return _commit(_fileno(file)) == 0; }

bool moveIntoPlace(const char* temporary, const char* destination) {
  // Windows refuses to move over a read-only file, as opening it for writing
  // would have; Wine running as root does not, so the attribute is checked
  // here as well. A folder as destination makes the move itself fail.
  const DWORD existing = GetFileAttributesA(destination);
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) return false;
  return MoveFileExA(temporary, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
         0;
}

}  // namespace replace_file_platform
