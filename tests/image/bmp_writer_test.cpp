// BMP header composition and writeBmpFile: exact header and pixel bytes, the
// picture as an independent decoder sees it, and that a failed save leaves the
// folder exactly as it was (an existing file intact, no temporary behind).
#include "image/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/bmp_format.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// The 54 header bytes of a 24-bit W x H file whose pixel array is S bytes,
// field by field, little-endian.
Bytes expectedHeaders(uint32_t width, uint32_t height, uint32_t imageBytes) {
  Bytes headers = {'B', 'M'};
  for (uint32_t field : {imageBytes + 54, 0u, 54u, 40u, width, height, 1u | 24u << 16 /* biPlanes, biBitCount */, 0u,
                         imageBytes, 300u, 300u, 0u, 0u})
    for (int shift = 0; shift < 32; shift += 8) headers.push_back(static_cast<uint8_t>(field >> shift));
  return headers;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Equal bytes, or where the first difference is.
::testing::AssertionResult sameBytes(const Bytes& got, const Bytes& want) {
  if (got == want) return ::testing::AssertionSuccess();
  const size_t at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
  return ::testing::AssertionFailure() << got.size() << " bytes, expected " << want.size() << "; byte " << at << " is "
                                       << (at < got.size() ? got[at] : -1) << ", expected "
                                       << (at < want.size() ? want[at] : -1);
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A fresh folder per case, so "what is in it" tells whether a temporary or a
// stray file was left behind.
class ScratchFolder {
 public:
  ScratchFolder() {
    int n = 0;
    while (!fs::create_directory(folder_ = fs::temp_directory_path() / ("slbmp" + std::to_string(n)))) ++n;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder_, ignored))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path folder_;
};

// Distinct in every pixel and every channel (for the sizes used here), so
// swapped channels, flipped rows or mirrored columns change the bytes.
uint8_t patternChannel(int x, int y, int channel) {  // 0 red, 1 green, 2 blue
  const int values[3] = {30 + 37 * x + 3 * y, 60 + 41 * y + x, 250 - 7 * x - 29 * y};
  return static_cast<uint8_t>(values[channel]);
}

// A display bitmap painted with the pattern through its own memory, which is
// bottom-up BGR with rows padded to 4 bytes.
OwnedGdiObject<HBITMAP> paintedBitmap(int width, int height) {
  HBITMAP bitmap = createDisplayBitmap(width, height);
  const BitmapFacts facts = describeBitmap(bitmap);
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  for (int y = 0; facts.bits && y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) facts.bits[(height - 1 - y) * rowBytes + 3 * x + 2 - c] = patternChannel(x, y, c);
  return OwnedGdiObject<HBITMAP>(bitmap);
}

// Composition refuses, writing nothing, any size whose file would not fit the
// 32-bit size field, including where R x H or S + 54 wraps in 32 bits.
TEST(BmpFormat, ComposesHeadersOnlyWhenTheFileSizeFits32Bits) {
  const struct {
    int32_t width, height;
    uint32_t fileBytes;  // 0: refused
  } cases[] = {{1, 1, 58},         {0, 1, 0},         {-3, 2, 0},         {3, -2, 0},
               {1431655746, 1, 4294967294u} /* the widest row that fits */,  {1431655747, 1, 0},
               {1, 1073741810, 4294967294u}, {1, 1073741811, 0}, {65536, 21846, 0} /* R x H wraps to 131072 */};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    EXPECT_EQ(bmpSizeWritable(c.width, c.height), c.fileBytes != 0);
    Bytes headers(kBmpHeaderBytes, 0xCC);
    EXPECT_EQ(composeBmpHeaders(c.width, c.height, headers.data()), c.fileBytes != 0);
    EXPECT_EQ(headers, c.fileBytes ? expectedHeaders(c.width, c.height, c.fileBytes - 54) : Bytes(54, 0xCC));
  }
}

// Each save replaces a longer existing file entirely, through a bare file name
// (the temporary goes into the current folder), and leaves nothing else.
// Natively PIL, where installed, must decode the picture too.
TEST(BmpWriter, WritesTheHeadersThenBottomUpBgrRowsWithZeroPadding) {
  const int cases[][3] = {{1, 1, 4}, {3, 2, 12}, {5, 1, 16}, {7, 5, 24}, {512, 512, 1536}};  // w, h, row bytes
#ifndef _WIN32
  // Debian's own interpreter, which has PIL (a python3 earlier on PATH may not).
  const std::string python =
      std::system("/usr/bin/python3 -c 'import PIL.Image' 2>/dev/null") == 0 ? "/usr/bin/python3" : "";
  if (python.empty()) std::printf("note: no /usr/bin/python3 with PIL, not decoding with it\n");
#endif
  for (const auto& c : cases) {
    const int width = c[0], height = c[1], rowBytes = c[2];
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    ScratchFolder folder;
    writeFile(folder.path("out.bmp"), Bytes(1000, 0xAB));
    const auto image = paintedBitmap(width, height);
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path(""));
    EXPECT_EQ(writeBmpFile("out.bmp", image.get()), 1);
    fs::current_path(previous);

    // Built from the picture, not from the bitmap's memory.
    Bytes expected = expectedHeaders(width, height, rowBytes * height);
    for (int y = height - 1; y >= 0; --y) {
      for (int x = 0; x < width; ++x)
        for (int channel : {2, 1, 0}) expected.push_back(patternChannel(x, y, channel));
      expected.resize(expected.size() + rowBytes - 3 * width, 0);
    }
    EXPECT_TRUE(sameBytes(readFile(folder.path("out.bmp")), expected)) << "an old tail must not survive";
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.bmp"}) << "temporary left behind";
#ifndef _WIN32
    if (python.empty()) continue;
    // PIL prints the size, then the picture as raw RGB rows from the top.
    const std::string command = python +
                                " -c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]); assert im.format"
                                " == \"BMP\" and im.mode == \"RGB\"; print(im.width, im.height); sys.stdout.flush();"
                                " sys.stdout.buffer.write(im.tobytes())' '" + folder.path("out.bmp") + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Bytes decoded;
    for (int ch; (ch = std::fgetc(pipe)) != EOF;) decoded.push_back(static_cast<uint8_t>(ch));
    EXPECT_EQ(pclose(pipe), 0);
    const std::string sizeLine = std::to_string(width) + " " + std::to_string(height) + "\n";
    Bytes rgb(sizeLine.begin(), sizeLine.end());
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int channel = 0; channel < 3; ++channel) rgb.push_back(patternChannel(x, y, channel));
    EXPECT_TRUE(sameBytes(decoded, rgb)) << "as PIL decodes it";
#endif
  }
}

// Every failing call returns 0 and leaves the folder as it was: "keep.bmp",
// the read-only "locked.bmp" byte for byte, nothing created, no temporary
// left. Natively a file-size limit of 100 bytes also makes the disk "fill up"
// mid-save: a 6 x 6 image fits the stdio buffer, so only the flush at close
// can fail; a 512 x 512 one fails in fwrite itself.
TEST(BmpWriter, FailuresLeaveTheFolderAsItWas) {
  enum Handle { kPainted, kNull, kBrush, kDeleted, kDeviceDependent };
  const struct {
    const char* name;
    const char* file;  // in the folder; nullptr: a null path, "": the empty path
    Handle handle;
    int diskFullSide;  // 0, or the side of an image saved onto the full disk
  } cases[] = {
      {"null path", nullptr, kPainted, 0},           {"empty path", "", kPainted, 0},
      {"null bitmap", "keep.bmp", kNull, 0},         {"brush handle", "keep.bmp", kBrush, 0},
      {"deleted bitmap", "keep.bmp", kDeleted, 0},   {"missing folder", "missing/out.bmp", kPainted, 0},
      {"read-only destination", "locked.bmp", kPainted, 0}, {"destination is a folder", "folder.bmp", kPainted, 0},
#ifdef _WIN32
      {"device-dependent bitmap (no bits)", "keep.bmp", kDeviceDependent, 0},
#else
      {"disk full at close", "keep.bmp", kPainted, 6}, {"disk full in fwrite", "keep.bmp", kPainted, 512},
#endif
  };
  const Bytes keep = {'o', 'l', 'd', 0, 0xFF};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    for (const char* name : {"keep.bmp", "locked.bmp"}) writeFile(folder.path(name), keep);
    fs::permissions(folder.path("locked.bmp"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directory(folder.path("folder.bmp"));
    const int side = c.diskFullSide ? c.diskFullSide : 6;
    const auto painted = paintedBitmap(side, side);
    HGDIOBJ handle = c.handle == kPainted ? painted.get() : nullptr;
    if (c.handle == kBrush) handle = CreateSolidBrush(RGB(1, 2, 3));
    if (c.handle == kDeleted) DeleteObject(handle = createDisplayBitmap(2, 2));
#ifdef _WIN32
    if (c.handle == kDeviceDependent) handle = CreateCompatibleBitmap(ScreenDC().get(), 4, 4);
#else
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit lowered = {c.diskFullSide ? 100 : saved.rlim_cur, saved.rlim_max};
    std::fflush(nullptr);
    void (*previousHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
#endif
    const std::vector<std::string> before = folder.entries();
    const std::string path = c.file && *c.file ? folder.path(c.file) : "";
    EXPECT_EQ(writeBmpFile(c.file ? path.c_str() : nullptr, static_cast<HBITMAP>(handle)), 0);
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
#endif
    if (c.handle == kBrush || c.handle == kDeviceDependent) DeleteObject(handle);
    EXPECT_EQ(folder.entries(), before);
    for (const char* name : {"keep.bmp", "locked.bmp"}) EXPECT_EQ(readFile(folder.path(name)), keep) << name;
  }
}

}  // namespace
