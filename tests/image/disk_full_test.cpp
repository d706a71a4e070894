// Saving onto a disk that fills up: a 64 KiB tmpfs mounted for the test (as
// root; skipped where mounting is not allowed). Whether the space runs out in
// fwrite or only at the final flush, the save fails, the existing file keeps
// its bytes and no temporary is left taking space. A save that just fits
// succeeds on the same disk, so the failures are the disk's doing.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/bmp_writer.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A small tmpfs, unmounted and removed when the test ends.
class SmallDisk {
 public:
  SmallDisk() {
    char pattern[] = "/tmp/sl-disk-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder_ = pattern;
    if (geteuid() != 0) {
      reason_ = "not root, cannot mount a small tmpfs";
    } else if (mount("tmpfs", pattern, "tmpfs", 0, "size=64k") != 0) {
      reason_ = std::string("mounting a tmpfs failed: ") + std::strerror(errno);
    } else {
      mounted_ = true;
    }
  }
  ~SmallDisk() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    if (!folder_.empty()) rmdir(folder_.c_str());
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& reason() const { return reason_; }
  fs::path path(const std::string& name) const { return fs::path(folder_) / name; }

  uint64_t freeBytes() const {
    struct statvfs info;
    return statvfs(folder_.c_str(), &info) == 0 ? uint64_t(info.f_bavail) * info.f_frsize : 0;
  }
  // Fills the disk until exactly `pages` 4 KiB pages are free.
  bool leaveFree(uint64_t pages) {
    const uint64_t free = freeBytes();
    if (free < pages * 4096) return false;
    writeFile(path("filler"), Bytes(size_t(free - pages * 4096), 0x11));
    return freeBytes() == pages * 4096;
  }

 private:
  std::string folder_;
  std::string reason_;
  bool mounted_ = false;
};

TEST(DiskFull, FailedSavesKeepTheExistingFileAndTheFreeSpace) {
  struct Case {
    const char* name;
    int width, height;  // the image to save
    uint64_t freePages; // 0: leave the disk as it is
    bool fits;
  };
  const Case cases[] = {
      {"larger than the disk: fails in fwrite", 200, 200, 0, false},
      // 4854 bytes: the first 4 KiB reach the disk from the stdio buffer, the
      // rest only at the flush that commit makes.
      {"one page short: fails at the flush", 40, 40, 1, false},
      {"exactly enough room", 40, 40, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmallDisk disk;
    if (!disk.mounted()) {
      GTEST_SKIP() << disk.reason();
    }
    const fs::path keep = disk.path("keep.bmp");
    const Bytes old(4000, 0xA5);
    writeFile(keep, old);
    if (c.freePages) {
      ASSERT_TRUE(disk.leaveFree(c.freePages)) << "free bytes " << disk.freeBytes();
    }
    const std::vector<std::string> before = entries(disk.path(""));
    const uint64_t freeBefore = disk.freeBytes();

    OwnedGdiObject<HBITMAP> image(createDisplayBitmap(c.width, c.height));
    ASSERT_NE(image.get(), nullptr);
    const int result = writeBmpFile(keep.string().c_str(), image.get());

    EXPECT_EQ(entries(disk.path("")), before) << "a temporary or stray file was left";
    if (c.fits) {
      EXPECT_EQ(result, 1);
      const uint64_t rowBytes = (uint64_t(c.width) * 3 + 3) / 4 * 4;
      EXPECT_EQ(readFile(keep).size(), 54 + rowBytes * c.height);
    } else {
      EXPECT_EQ(result, 0);
      const Bytes now = readFile(keep);
      EXPECT_TRUE(now == old) << "existing file changed: " << now.size() << " bytes, expected " << old.size()
                              << " unchanged";
      EXPECT_EQ(disk.freeBytes(), freeBefore) << "space still taken after the failed save";
    }
  }
}

}  // namespace

#endif  // _WIN32
