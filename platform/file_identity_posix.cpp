// File identity on POSIX systems: device and inode number.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "file_identity.h"

namespace {

bool sameNode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The path with its folder resolved (links, "." and ".."); the file itself
// may not exist yet. Unresolvable folders keep the path as given.
std::string resolvedPath(const char* path) {
  const std::string text = path;
  const size_t slash = text.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
  const std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
  char resolved[PATH_MAX];
  if (!realpath(folder.c_str(), resolved)) return text;
  return std::string(resolved) + "/" + name;
}

}  // namespace

bool sameFile(const char* first, const char* second) {
  struct stat a, b;
  if (stat(first, &a) == 0 && stat(second, &b) == 0) return sameNode(a, b);
  return resolvedPath(first) == resolvedPath(second);
}

bool streamWritesTo(std::FILE* stream, const char* path) {
  struct stat a, b;
  return fstat(fileno(stream), &a) == 0 && stat(path, &b) == 0 && sameNode(a, b);
}

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void setBinaryMode(std::FILE*) {}
