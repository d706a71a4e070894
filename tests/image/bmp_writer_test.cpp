// BMP header composition and writeBmpFile: exact header and pixel bytes, the
// picture as an independent decoder sees it, and that a failed save leaves the
// folder exactly as it was (an existing file intact, no temporary behind).
#include "image/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "image/bmp_format.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;  // easy to write, read, join and compare

// The 54 header bytes of a 24-bit W x H file whose pixel array is S bytes,
// field by field, little-endian.
Bytes expectedHeaders(uint32_t width, uint32_t height, uint32_t imageBytes) {
  Bytes headers = "BM";
  for (uint32_t field : {imageBytes + 54, 0u, 54u, 40u, width, height, 1u | 24u << 16 /* biPlanes, biBitCount */, 0u,
                         imageBytes, 300u, 300u, 0u, 0u})
    for (int shift = 0; shift < 32; shift += 8) headers.push_back(char(field >> shift));
  return headers;
}

Bytes readFile(const std::string& path) {
  return Bytes(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

// Equal bytes, or where the first difference is.
::testing::AssertionResult sameBytes(const Bytes& got, const Bytes& want) {
  if (got == want) return ::testing::AssertionSuccess();
  const size_t at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
  return ::testing::AssertionFailure() << got.size() << " bytes, expected " << want.size() << "; byte " << at << " is "
                                       << (at < got.size() ? uint8_t(got[at]) : -1) << ", expected "
                                       << (at < want.size() ? uint8_t(want[at]) : -1);
}

// A fresh folder per case, so "what is in it" tells whether a temporary or a
// stray file was left behind.
struct ScratchFolder {
  ScratchFolder() {
    int n = 0;
    while (!fs::create_directory(folder = fs::temp_directory_path() / ("slbmp" + std::to_string(n)))) ++n;
  }
  ~ScratchFolder() { std::error_code ignored; fs::remove_all(folder, ignored); }
  std::string path(const std::string& name) const { return (folder / name).string(); }
  std::set<std::string> entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
  }
  fs::path folder;
};

// Composition refuses, writing nothing, any size whose file would not fit the
// 32-bit size field, including where R x H or S + 54 wraps in 32 bits.
TEST(BmpFormat, ComposesHeadersOnlyWhenTheFileSizeFits32Bits) {
  const int64_t cases[][3] = {  // width, height, file bytes (0: refused)
      {1, 1, 58}, {0, 1, 0}, {-3, 2, 0}, {3, -2, 0}, {1431655746, 1, 4294967294} /* the widest row that fits */,
      {1431655747, 1, 0}, {1, 1073741810, 4294967294}, {1, 1073741811, 0},
      {65536, 21846, 0} /* R x H wraps to 131072 */};
  for (const auto& [w, h, fileBytes] : cases) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    EXPECT_EQ(bmpSizeWritable(int32_t(w), int32_t(h)), fileBytes != 0);
    Bytes headers(kBmpHeaderBytes, '\xCC');
    EXPECT_EQ(composeBmpHeaders(int32_t(w), int32_t(h), reinterpret_cast<uint8_t*>(headers.data())), fileBytes != 0);
    EXPECT_EQ(headers, fileBytes ? expectedHeaders(w, h, uint32_t(fileBytes - 54)) : Bytes(54, '\xCC'));
  }
}

// Each save replaces a longer existing file entirely, through a bare file name
// (the temporary goes into the current folder), and leaves nothing else.
// The picture is distinct in every pixel and every channel (for the sizes
// used here), so swapped channels, flipped rows or mirrored columns change
// the bytes. It goes into the bitmap's memory (bottom-up BGR rows, padded to 4
// bytes) and the same way into the expected file; natively PIL, where
// installed, must decode the file to the picture in top-down RGB rows.
TEST(BmpWriter, WritesTheHeadersThenBottomUpBgrRowsWithZeroPadding) {
  const int cases[][3] = {{1, 1, 4}, {3, 2, 12}, {5, 1, 16}, {7, 5, 24}, {512, 512, 1536}};  // w, h, row bytes
#ifndef _WIN32
  // Debian's own interpreter, which has PIL (a python3 earlier on PATH may not).
  const bool pil = std::system("/usr/bin/python3 -c 'import PIL.Image' 2>/dev/null") == 0;
  if (!pil) std::printf("note: no /usr/bin/python3 with PIL, not decoding with it\n");
#endif
  for (const auto& [width, height, rowBytes] : cases) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    ScratchFolder folder;
    std::ofstream(folder.path("out.bmp"), std::ios::binary) << Bytes(1000, '\xAB');
    const OwnedGdiObject<HBITMAP> image(createDisplayBitmap(width, height));
    uint8_t* bits = describeBitmap(image.get()).bits;
    ASSERT_NE(bits, nullptr);
    Bytes expected = expectedHeaders(width, height, rowBytes * height) + Bytes(size_t(rowBytes) * height, 0), rgb;
    for (int i = 0; i < width * height * 3; ++i) {  // i: channel c (red, green, blue) of pixel (x, y)
      const int x = i / 3 % width, y = i / 3 / width, c = i % 3, at = (height - 1 - y) * rowBytes + 3 * x + 2 - c;
      rgb.push_back(char(std::array{30 + 37 * x + 3 * y, 60 + 41 * y + x, 250 - 7 * x - 29 * y}[c]));
      expected[54 + at] = bits[at] = rgb.back();
    }
    const fs::path previous = fs::current_path();
    fs::current_path(folder.folder);
    EXPECT_EQ(writeBmpFile("out.bmp", image.get()), 1);
    fs::current_path(previous);
    EXPECT_TRUE(sameBytes(readFile(folder.path("out.bmp")), expected)) << "an old tail must not survive";
    EXPECT_EQ(folder.entries(), std::set<std::string>{"out.bmp"}) << "temporary left behind";
#ifndef _WIN32
    if (!pil) continue;
    const std::string decode = "/usr/bin/python3 -c 'import sys; from PIL import Image; open(sys.argv[2], \"wb\")"
                               ".write(Image.open(sys.argv[1]).tobytes())' '" + folder.path("out.bmp") + "' '" +
                               folder.path("rgb") + "'";
    ASSERT_EQ(std::system(decode.c_str()), 0);
    EXPECT_TRUE(sameBytes(readFile(folder.path("rgb")), rgb)) << "as PIL decodes it";
#endif
  }
}

// Every failing call returns 0 and leaves the folder as it was: "keep.bmp",
// the read-only "locked.bmp" byte for byte, nothing created, no temporary
// left. Natively a file-size limit of 100 bytes also makes the disk "fill up"
// mid-save: a 512 x 1 image (1590 bytes) fits the stdio buffer, so only the
// flush at close can fail; a 512 x 512 one fails in fwrite itself.
TEST(BmpWriter, FailuresLeaveTheFolderAsItWas) {
  // The handle passed; the last two pass a 512 x 1 or a 512 x 512 bitmap onto the full disk.
  enum Kind { kBitmap, kNull, kBrush, kDeleted, kDeviceDependent, kFullAtClose, kFullInFwrite };
  const struct {
    const char* name;
    const char* file;  // in the folder; nullptr: a null path, "": the empty path
    Kind kind;
  } cases[] = {
      {"null path", nullptr, kBitmap},         {"empty path", "", kBitmap},
      {"null bitmap", "keep.bmp", kNull},      {"brush handle", "keep.bmp", kBrush},
      {"deleted bitmap", "keep.bmp", kDeleted}, {"missing folder", "missing/out.bmp", kBitmap},
      {"read-only destination", "locked.bmp", kBitmap}, {"destination is a folder", "folder.bmp", kBitmap},
#ifdef _WIN32
      {"device-dependent bitmap (no bits)", "keep.bmp", kDeviceDependent},
#else
      {"disk full at close", "keep.bmp", kFullAtClose}, {"disk full in fwrite", "keep.bmp", kFullInFwrite},
#endif
  };
  const Bytes keep("old\0\xFF", 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    for (const char* name : {"keep.bmp", "locked.bmp"}) std::ofstream(folder.path(name), std::ios::binary) << keep;
    fs::permissions(folder.path("locked.bmp"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory(folder.path("folder.bmp"));
    const OwnedGdiObject<HBITMAP> bitmap(createDisplayBitmap(512, c.kind == kFullInFwrite ? 512 : 1));
    HGDIOBJ handle = c.kind == kBitmap || c.kind >= kFullAtClose ? bitmap.get() : nullptr;
    if (c.kind == kBrush) handle = CreateSolidBrush(RGB(1, 2, 3));
    if (c.kind == kDeleted) DeleteObject(handle = createDisplayBitmap(2, 2));
#ifdef _WIN32
    if (c.kind == kDeviceDependent) handle = CreateCompatibleBitmap(ScreenDC().get(), 4, 4);
#else
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit lowered = {c.kind >= kFullAtClose ? 100 : saved.rlim_cur, saved.rlim_max};
    std::fflush(nullptr);
    signal(SIGXFSZ, SIG_IGN);  // so that the write fails instead (for the rest of the run: no harm)
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
#endif
    EXPECT_EQ(writeBmpFile(!c.file ? nullptr : *c.file ? folder.path(c.file).c_str() : "", HBITMAP(handle)), 0);
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &saved);
#endif
    fs::permissions(folder.path("locked.bmp"), fs::perms::owner_write, fs::perm_options::add);  // to be deletable
    if (c.kind == kBrush || c.kind == kDeviceDependent) DeleteObject(handle);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"folder.bmp", "keep.bmp", "locked.bmp"}));
    for (const char* name : {"keep.bmp", "locked.bmp"}) EXPECT_EQ(readFile(folder.path(name)), keep) << name;
  }
}

}  // namespace
