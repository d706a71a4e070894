#include "replace_file.h"

#include <atomic>

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

// "~sl" and 8 hex digits: short, so the path stays within Windows'
// 260-character limit for the ANSI calls.
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
  if (!destination || !*destination) return false;
  destination_ = destination;
  const std::string folder = folderOf(destination_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = temporaryName(folder);
    // Never truncate a file that someone else owns, stale or not.
    if (replace_file_platform::pathExists(candidate.c_str())) continue;
    file_ = std::fopen(candidate.c_str(), "wb");
    if (!file_) return false;
    temporary_ = std::move(candidate);
    return true;
  }
  return false;
}

bool ReplacingFile::write(const void* data, size_t itemSize, size_t count) {
  if (!file_ || failed_) return false;
  if (std::fwrite(data, itemSize, count, file_) == count) return true;
  failed_ = true;
  return false;
}

bool ReplacingFile::commit() {
  if (!file_ || failed_) {
    abandon();
    return false;
  }
  // Buffered bytes reach the file only here, so a full disk may show up at
  // the flush or the close rather than at fwrite.
  bool complete = std::fflush(file_) == 0 && replace_file_platform::syncToDisk(file_);
  complete = std::fclose(file_) == 0 && complete;
  file_ = nullptr;
  if (!complete ||
      !replace_file_platform::moveIntoPlace(temporary_.c_str(), destination_.c_str())) {
    abandon();
    return false;
  }
  temporary_.clear();
  return true;
}

void ReplacingFile::abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temporary_.empty()) {
    std::remove(temporary_.c_str());
    temporary_.clear();
  }
}
