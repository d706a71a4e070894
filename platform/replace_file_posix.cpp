// ReplacingFile's platform edge on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "replace_file.h"

namespace {
// As many links as the kernel follows (its ELOOP limit).
constexpr int kLinkHops = 40;

FILE* streamOf(int descriptor) {
  if (descriptor < 0) return nullptr;
  FILE* file = fdopen(descriptor, "wb");  // "wb" on a descriptor truncates nothing
  if (!file) {
    const int error = errno;
    close(descriptor);
    errno = error;
  }
  return file;
}
}  // namespace

std::string systemErrorText(uint32_t error) {
  if (error == 0) return std::string();
  std::string text = std::strerror(int(error));
  while (!text.empty() && std::strchr(".\r\n", text.back())) text.pop_back();
  return text;
}

namespace replace_file_platform {

uint32_t processTag() { return static_cast<uint32_t>(getpid()); }

uint32_t lastError() { return static_cast<uint32_t>(errno); }

std::string finalPath(const char* destination) {
  // A pipe or device is written through the name given: the kernel follows
  // links such as /dev/stdout that name no file.
  struct stat status;
  if (stat(destination, &status) == 0 && !S_ISREG(status.st_mode)) return destination;
  // Followed link by link rather than with realpath, so that a link to a
  // file not yet there leads to that file's name, which the save creates.
  std::string path = destination;
  for (int hop = 0; hop < kLinkHops; ++hop) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    // Not a link (any more): this is the file. A loop stays a link, which
    // examine() then refuses.
    if (length <= 0 || size_t(length) >= sizeof target) break;
    // A relative link is relative to the folder that holds it.
    const std::string text(target, size_t(length));
    path = text[0] == '/' ? text : path.substr(0, path.find_last_of('/') + 1) + text;
  }
  return path;
}

Destination examine(const char* path) {
  Destination facts = {};
  struct stat status;
  if (stat(path, &status) != 0) {
    // Missing is fine; anything else (a link loop, a file used as a folder)
    // would make the save fail anyway.
    if (errno != ENOENT) facts.refusal = uint32_t(errno);
    return facts;
  }
  facts.exists = true;
  facts.regular = S_ISREG(status.st_mode);
  facts.sharedByLinks = facts.regular && status.st_nlink > 1;
  // Without any write bit the file counts as read-only, as Windows' attribute
  // does; root could otherwise write it or rename over it.
  if ((status.st_mode & 0222) == 0) facts.refusal = EACCES;
  return facts;
}

size_t longestPath() { return size_t(-1); }  // too long a path shows up as ENAMETOOLONG

FILE* createNew(const char* path) {
  return streamOf(open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

bool nameTaken(uint32_t error) { return error == EEXIST; }

bool creationRefused(uint32_t error) { return error == EACCES || error == EPERM || error == ENAMETOOLONG; }

FILE* openForOverwrite(const char* path, bool* created) {
  // Open, or else create; twice, in case the file comes or goes in between.
  for (int attempt = 0; attempt < 2; ++attempt) {
    int descriptor = open(path, O_WRONLY | O_CLOEXEC);
    if (descriptor >= 0 || errno != ENOENT) {
      *created = false;
      return streamOf(descriptor);
    }
    descriptor = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0 || errno != EEXIST) {
      *created = descriptor >= 0;
      return streamOf(descriptor);
    }
  }
  return nullptr;
}

bool cutAtPosition(FILE* file) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return false;
  return !S_ISREG(status.st_mode) || ftruncate(fileno(file), ftello(file)) == 0;
}

bool syncToDisk(FILE* file) {
  // EINVAL: the file (a pipe, a file system) cannot sync at all, which is no
  // write error.
  return fsync(fileno(file)) == 0 || errno == EINVAL;
}

bool moveIntoPlace(const char* temporary, const char* destination) {
  struct stat existing;
  // The replacement keeps the permissions the user gave the old file.
  if (stat(destination, &existing) == 0 && S_ISREG(existing.st_mode) && chmod(temporary, existing.st_mode & 0777) != 0)
    return false;
  return std::rename(temporary, destination) == 0;
}

void removeFile(const char* path) { unlink(path); }

}  // namespace replace_file_platform
