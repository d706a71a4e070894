#include "replace_file.h"

#include <atomic>
#include <utility>

namespace {
// Numbers the temporaries of this process.
std::atomic<uint32_t> g_temporaryCounter{0};

// Tries this many names before giving up on finding a free one.
constexpr int kNameAttempts = 16;

// The destination's folder with its trailing separator, or "" for a bare
// name.
std::string folderOf(const std::string& path) {
#ifdef _WIN32
  const size_t end = path.find_last_of("\\/:");
#else
  const size_t end = path.find_last_of('/');
#endif
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// "~sl" and 8 hex digits: short, so that beside all but the longest folders
// the path stays within Windows' 260-character limit for the ANSI calls.
std::string temporaryName(const std::string& folder) {
  static const char kHex[] = "0123456789abcdef";
  const uint32_t value =
      (replace_file_platform::processTag() << 16) | (g_temporaryCounter.fetch_add(1) & 0xFFFFu);
  std::string name = folder + "~sl";
  for (int shift = 28; shift >= 0; shift -= 4) name += kHex[(value >> shift) & 0xFu];
  return name + ".tmp";
}
}  // namespace

ReplacingFile::~ReplacingFile() { abandon(); }

bool ReplacingFile::open(const char* destination) {
  abandon();
  failed_ = false;
  error_ = 0;
  if (!destination || !*destination) return false;
  destination_ = replace_file_platform::finalPath(destination);
  const replace_file_platform::Destination facts = replace_file_platform::examine(destination_.c_str());
  if (facts.refusal) return fail(facts.refusal);
  // A replacement would detach the other names of a hard-linked file, and a
  // pipe or device is no file to replace.
  if (facts.exists && (!facts.regular || facts.sharedByLinks)) return openInPlace();
  const std::string folder = folderOf(destination_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = temporaryName(folder);
    if (candidate.size() > replace_file_platform::longestPath()) return openInPlace();
    // Created exclusively: a file that appears under this name meanwhile is
    // someone else's and must not be truncated.
    file_ = replace_file_platform::createNew(candidate.c_str());
    if (file_) {
      path_ = std::move(candidate);
      created_ = true;
      return true;
    }
    const uint32_t error = replace_file_platform::lastError();
    if (replace_file_platform::nameTaken(error)) continue;
    if (facts.exists && replace_file_platform::creationRefused(error)) return openInPlace();
    return fail(error);
  }
  return fail(replace_file_platform::lastError());
}

bool ReplacingFile::openInPlace() {
  inPlace_ = true;
  path_ = destination_;
  file_ = replace_file_platform::openForOverwrite(path_.c_str(), &created_);
  if (file_) return true;
  const uint32_t error = replace_file_platform::lastError();
  abandon();  // removes the file if it was created but could not be opened as a stream
  return fail(error);
}

bool ReplacingFile::write(const void* data, size_t itemSize, size_t count) {
  if (!file_ || failed_) return false;
  if (std::fwrite(data, itemSize, count, file_) == count) return true;
  return fail(replace_file_platform::lastError());
}

bool ReplacingFile::commit() {
  if (!file_ || failed_) {
    abandon();
    return false;
  }
  // Buffered bytes reach the file only here, so a full disk may show up at
  // the flush or the close rather than at fwrite.
  if (std::fflush(file_) != 0 || (inPlace_ && !replace_file_platform::cutAtPosition(file_)) ||
      !replace_file_platform::syncToDisk(file_))
    fail(replace_file_platform::lastError());
  if (std::fclose(file_) != 0) fail(replace_file_platform::lastError());
  file_ = nullptr;
  if (!failed_ && !inPlace_ && !replace_file_platform::moveIntoPlace(path_.c_str(), destination_.c_str()))
    fail(replace_file_platform::lastError());
  if (failed_) {
    abandon();
    return false;
  }
  path_.clear();
  created_ = inPlace_ = false;
  return true;
}

bool ReplacingFile::fail(uint32_t error) {
  if (!failed_) error_ = error;
  failed_ = true;
  return false;
}

void ReplacingFile::abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  // A destination written in place that existed before is left as it is now.
  if (created_) replace_file_platform::removeFile(path_.c_str());
  path_.clear();
  created_ = inPlace_ = false;
}
