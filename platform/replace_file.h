// A file that replaces its destination only once it is complete. The bytes go
// to a temporary file in the destination's own folder (so the final move is a
// rename on one volume); commit() closes it with every result checked and
// moves it over the destination. On any failure, or when the object goes away
// uncommitted, the temporary is removed and an existing destination stays as
// it was.
//
// Where a replacement would change more than the bytes, or cannot be made,
// the destination is written in place instead, as a plain save would: a file
// with further hard links (a replacement would detach them), a pipe or
// device, a writable file in a folder that refuses new files, and a folder so
// long that the temporary's path would not fit. A symbolic link is followed
// to its final target, which is what gets replaced; the link stays.
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

  // Creates the temporary for `destination` (or opens the destination itself
  // when it is written in place). False when that fails, for instance when
  // the folder does not exist or the destination is read-only; then nothing
  // has been created.
  bool open(const char* destination);
  bool isOpen() const { return file_ != nullptr; }

  // fwrite of `count` items of `itemSize` bytes; true when all were written.
  // After a shortfall the file is abandoned and commit() fails.
  bool write(const void* data, size_t itemSize, size_t count);

  // Flushes, closes and moves the temporary over the destination. False, with
  // the temporary removed, if any step fails or an earlier write fell short.
  bool commit();

  // The system's code (errno, GetLastError) for the first step that failed;
  // 0 while none has, or when no system call was to blame.
  uint32_t error() const { return error_; }

 private:
  bool openInPlace();
  bool fail(uint32_t error);
  void abandon();

  FILE* file_ = nullptr;
  bool failed_ = false;
  bool inPlace_ = false;
  bool created_ = false;  // path_ was made by open(), so a failure removes it
  uint32_t error_ = 0;
  std::string destination_;
  std::string path_;  // the file being written: the temporary, or the destination in place
};

// The system's text for an error code from ReplacingFile::error(), without a
// trailing period or line break; "" for 0.
std::string systemErrorText(uint32_t error);

// The platform edge of ReplacingFile: one definition per platform.
namespace replace_file_platform {
// Distinguishes this process's temporaries from another's.
uint32_t processTag();
// errno, or GetLastError(), right after a failed call.
uint32_t lastError();
// The file that a save to `destination` must replace: the end of a chain of
// symbolic links, even one that does not exist yet.
std::string finalPath(const char* destination);

struct Destination {
  bool exists;
  bool regular;         // a plain file, not a folder, pipe or device
  bool sharedByLinks;   // a file with more than one name
  uint32_t refusal;     // nonzero: the error that refuses any save (read-only, a link loop)
};
Destination examine(const char* path);

// The longest path the platform's file calls accept.
size_t longestPath();
// Creates `path` for writing, failing if anything exists there already.
FILE* createNew(const char* path);
// True for the error of createNew when the name was taken.
bool nameTaken(uint32_t error);
// True for the error of createNew when the folder refuses new files.
bool creationRefused(uint32_t error);
// Opens `path` for writing without truncating it, creating it if missing;
// `created` says which.
FILE* openForOverwrite(const char* path, bool* created);
// Ends a file written in place at the current position (the old file may
// have been longer).
bool cutAtPosition(FILE* file);
// Makes the closed-over bytes durable before the rename publishes them.
bool syncToDisk(FILE* file);
// Puts `temporary` in place of `destination`, keeping what the platform keeps
// of an existing destination's identity.
bool moveIntoPlace(const char* temporary, const char* destination);
// Deletes a file (of any path length that createNew accepted).
void removeFile(const char* path);
}  // namespace replace_file_platform
