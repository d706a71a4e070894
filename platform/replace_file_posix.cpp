// ReplacingFile's platform edge on POSIX systems.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "replace_file.h"

namespace replace_file_platform {

uint32_t processTag() { return static_cast<uint32_t>(getpid()); }

bool pathExists(const char* path) {
  struct stat status;
  return lstat(path, &status) == 0;
}

bool syncToDisk(FILE* file) {
  // EINVAL: the file system cannot sync at all, which is no write error.
  return fsync(fileno(file)) == 0 || errno == EINVAL;
}

bool moveIntoPlace(const char* temporary, const char* destination) {
  struct stat existing;
  if (stat(destination, &existing) == 0) {
    // Without any write bit the file counts as read-only, as Windows' attribute
    // does; root could otherwise rename over it.
    if ((existing.st_mode & 0222) == 0) return false;
    // The replacement keeps the permissions the user gave the old file.
    if (S_ISREG(existing.st_mode) && chmod(temporary, existing.st_mode & 0777) != 0) return false;
  }
  return std::rename(temporary, destination) == 0;
}

}  // namespace replace_file_platform
