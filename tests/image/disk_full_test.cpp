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

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "image/bmp_writer.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

namespace {

namespace fs = std::filesystem;

uint64_t freeBytes(const char* folder) {
  struct statvfs info;
  return statvfs(folder, &info) == 0 ? uint64_t(info.f_bavail) * info.f_frsize : 0;
}

TEST(DiskFull, FailedSavesKeepTheExistingFileAndTheFreeSpace) {
  // The side of the square image saved, the 4 KiB pages left free before the
  // save, whether it fits. 200 x 200 (120054 bytes) fails in fwrite. 40 x 40
  // is 4854 bytes: its first 4 KiB reach the disk from the stdio buffer, the
  // rest only at the flush the commit makes; one page short it fails there,
  // with two free it fits exactly.
  const int cases[][3] = {{200, 8, 0}, {40, 1, 0}, {40, 2, 1}};
  for (const auto& [side, freePages, fits] : cases) {
    SCOPED_TRACE(std::to_string(side) + " x " + std::to_string(side) + ", free pages " + std::to_string(freePages));
    char folder[] = "/tmp/sl-disk-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::unique_ptr<char, void (*)(char*)> cleanup(folder, [](char* f) { umount2(f, MNT_DETACH); rmdir(f); });
    if (mount("tmpfs", folder, "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "cannot mount a small tmpfs (not root?)";
    const fs::path keep = fs::path(folder) / "keep.bmp";
    const std::string old(4000, '\xA5');
    std::ofstream(keep, std::ios::binary) << old << std::flush;
    std::ofstream(fs::path(folder) / "filler") << std::string(freeBytes(folder) - freePages * 4096u, 'f');
    ASSERT_EQ(freeBytes(folder), freePages * 4096u) << "free bytes after filling the disk";
    const OwnedGdiObject<HBITMAP> image(createDisplayBitmap(side, side));
    EXPECT_EQ(writeBmpFile(keep.string().c_str(), image.get()), fits);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2)
        << "files in the folder (keep.bmp, the filler): a temporary or stray file was left";
    const std::string now(std::istreambuf_iterator<char>(std::ifstream(keep, std::ios::binary).rdbuf()), {});
    EXPECT_EQ(now.size(), fits ? 54u + (3u * side + 3) / 4 * 4 * side : old.size()) << "bytes in the file";
    // Failed: the old bytes, and the space the save took given back.
    EXPECT_TRUE(fits || (now == old && freeBytes(folder) == freePages * 4096u))
        << "old bytes kept: " << (now == old) << "; free bytes " << freeBytes(folder) << " of " << freePages * 4096;
  }
}

}  // namespace

#endif  // _WIN32
