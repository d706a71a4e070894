// A file that replaces its destination only once it is complete. The bytes go
// to a temporary file in the destination's own folder (so the final move is a
// rename on one volume); commit() closes it with every result checked and
// moves it over the destination. On any failure, or when the object goes away
// uncommitted, the temporary is removed and an existing destination stays as
// it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary for `destination` with fopen "wb". False when it
  // cannot be created (for instance the folder does not exist); then nothing
  // has been created.
  bool open(const char* destination);

  // fwrite of `count` items of `itemSize` bytes; true when all were written.
  // After a shortfall the file is abandoned and commit() fails.
  bool write(const void* data, size_t itemSize, size_t count);

  // Flushes, closes and moves the temporary over the destination. False, with
  // the temporary removed, if any step fails or an earlier write fell short.
  bool commit();

 private:
  void abandon();

  FILE* file_ = nullptr;
  bool failed_ = false;
  std::string destination_;
  std::string temporary_;
};

// The platform edge of ReplacingFile: one definition per platform.
namespace replace_file_platform {
// Distinguishes this process's temporaries from another's.
uint32_t processTag();
// True when something, of any kind, exists at `path`.
bool pathExists(const char* path);
// Makes the closed-over bytes durable before the rename publishes them.
bool syncToDisk(FILE* file);
// Atomically puts `temporary` in place of `destination`; fails, touching
// neither, when the destination exists but may not be replaced (read-only,
// a folder).
bool moveIntoPlace(const char* temporary, const char* destination);
}  // namespace replace_file_platform
