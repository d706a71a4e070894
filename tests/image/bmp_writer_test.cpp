// BMP header composition and writeBmpFile: exact header and pixel bytes, the
// picture as independent decoders see it, and that a failed save leaves the
// folder exactly as it was (an existing file intact, no temporary behind).
#include "image/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "image/bmp_format.h"
#include "image/display_bitmap.h"
#include "platform/gdi_guards.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t readLe16(const Bytes& bytes, size_t at) { return bytes[at] | bytes[at + 1] << 8; }
uint32_t readLe32(const Bytes& bytes, size_t at) {
  return readLe16(bytes, at) | readLe16(bytes, at + 2) << 16;
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void setReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
  chmod(path.c_str(), readOnly ? 0444 : 0644);
#endif
}

// A fresh folder per test, so "what is in it" tells whether a temporary or a
// stray file was left behind.
class ScratchFolder {
 public:
  ScratchFolder() {
    const fs::path base = fs::temp_directory_path();
    for (int n = 0;; ++n) {
      folder_ = base / ("slbmp" + std::to_string(n));
      if (fs::create_directory(folder_)) break;
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder_, ignored))
      setReadOnly(entry.path().string(), false);
    fs::remove_all(folder_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path folder_;
};

struct Rgb {
  uint8_t red, green, blue;
};

// Distinct in every pixel and every channel, so swapped channels, flipped rows
// or mirrored columns change the bytes.
Rgb patternColour(int x, int y) {
  return {static_cast<uint8_t>(30 + 37 * x + 3 * y), static_cast<uint8_t>(60 + 41 * y + x),
          static_cast<uint8_t>(250 - 7 * x - 29 * y)};
}

// A display bitmap painted with patternColour through its own memory, which
// is bottom-up BGR with rows padded to 4 bytes.
class PaintedBitmap {
 public:
  PaintedBitmap(int width, int height) : bitmap_(createDisplayBitmap(width, height)) {
    const BitmapFacts facts = describeBitmap(bitmap_.get());
    if (!facts.bits) return;
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < height; ++y) {
      uint8_t* row = facts.bits + static_cast<size_t>(height - 1 - y) * rowBytes;
      for (int x = 0; x < width; ++x) {
        const Rgb colour = patternColour(x, y);
        row[3 * x] = colour.blue;
        row[3 * x + 1] = colour.green;
        row[3 * x + 2] = colour.red;
      }
    }
    bits_ = facts.bits;
  }
  HBITMAP get() const { return bitmap_.get(); }
  const uint8_t* bits() const { return bits_; }

 private:
  OwnedGdiObject<HBITMAP> bitmap_;
  const uint8_t* bits_ = nullptr;
};

// GDI objects a test case makes for itself, deleted when the case ends.
class GdiObjects {
 public:
  GdiObjects() = default;
  ~GdiObjects() {
    for (HGDIOBJ object : objects_) DeleteObject(object);
  }
  GdiObjects(const GdiObjects&) = delete;
  GdiObjects& operator=(const GdiObjects&) = delete;
  HGDIOBJ add(HGDIOBJ object) {
    if (object) objects_.push_back(object);
    return object;
  }

 private:
  std::vector<HGDIOBJ> objects_;
};

// ---- Header composition ----------------------------------------------------

struct HeaderCase {
  int32_t width, height;
  uint32_t rowBytes, imageBytes, fileBytes;
};

TEST(BmpFormat, ComposesHeaderFieldsForEachSize) {
  const HeaderCase cases[] = {
      {1, 1, 4, 4, 58},
      {3, 2, 12, 24, 78},
      {5, 1, 16, 16, 70},
      {6, 5, 20, 100, 154},
      {512, 512, 1536, 786432, 786486},
      // The largest single row that still fits: 24 x W overflows 32 bits.
      {1431655746, 1, 4294967240u, 4294967240u, 4294967294u},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const BmpLayout layout = bmpLayout(c.width, c.height);
    EXPECT_EQ(layout.rowBytes, c.rowBytes);
    EXPECT_EQ(layout.imageBytes, c.imageBytes);
    EXPECT_EQ(layout.fileBytes, c.fileBytes);

    Bytes h(kBmpHeaderBytes, 0xCC);
    ASSERT_TRUE(composeBmpHeaders(c.width, c.height, h.data()));
    EXPECT_EQ(h[0], 'B');
    EXPECT_EQ(h[1], 'M');
    EXPECT_EQ(readLe32(h, 2), c.fileBytes) << "bfSize";
    EXPECT_EQ(readLe32(h, 6), 0u) << "bfReserved1/2";
    EXPECT_EQ(readLe32(h, 10), 54u) << "bfOffBits";
    EXPECT_EQ(readLe32(h, 14), 40u) << "biSize";
    EXPECT_EQ(readLe32(h, 18), static_cast<uint32_t>(c.width)) << "biWidth";
    EXPECT_EQ(readLe32(h, 22), static_cast<uint32_t>(c.height)) << "biHeight";
    EXPECT_EQ(readLe16(h, 26), 1u) << "biPlanes";
    EXPECT_EQ(readLe16(h, 28), 24u) << "biBitCount";
    EXPECT_EQ(readLe32(h, 30), 0u) << "biCompression";
    EXPECT_EQ(readLe32(h, 34), c.imageBytes) << "biSizeImage";
    EXPECT_EQ(readLe32(h, 38), 300u) << "biXPelsPerMeter";
    EXPECT_EQ(readLe32(h, 42), 300u) << "biYPelsPerMeter";
    EXPECT_EQ(readLe32(h, 46), 0u) << "biClrUsed";
    EXPECT_EQ(readLe32(h, 50), 0u) << "biClrImportant";
  }
}

TEST(BmpFormat, OneByOneHeaderBytesExactly) {
  // Written out by hand, so offsets and byte order are checked independently
  // of any reader above.
  const Bytes expected = {
      0x42, 0x4D, 0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x36, 0x00, 0x00, 0x00,  //
      0x28, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,  //
      0x18, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x2C, 0x01, 0x00, 0x00,  //
      0x2C, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  Bytes headers(kBmpHeaderBytes, 0xCC);
  ASSERT_TRUE(composeBmpHeaders(1, 1, headers.data()));
  EXPECT_EQ(headers, expected);
}

TEST(BmpFormat, WritableOnlyWhenTheFileSizeFits32Bits) {
  struct Case {
    int32_t width, height;
    bool writable;
  };
  const Case cases[] = {
      {1, 1, true},
      {0, 1, false},
      {1, 0, false},
      {-3, 2, false},
      {3, -2, false},
      {1431655746, 1, true},   // bfSize 0xFFFFFFFE
      {1431655747, 1, false},  // one more pixel: a row of 4294967244 bytes
      {INT32_MAX, 1, false},
      {1, 1073741810, true},  // S + 54 = 4294967294
      {1, 1073741811, false},
      {65536, 21845, true},
      {65536, 21846, false},  // R x H wraps to a small number in 32 bits
      {INT32_MAX, INT32_MAX, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    EXPECT_EQ(bmpSizeWritable(c.width, c.height), c.writable);
    Bytes headers(kBmpHeaderBytes, 0xCC);
    EXPECT_EQ(composeBmpHeaders(c.width, c.height, headers.data()), c.writable);
    if (!c.writable) {
      EXPECT_EQ(headers, Bytes(kBmpHeaderBytes, 0xCC)) << "refused size wrote headers";
    }
  }
}

// ---- Writing files -----------------------------------------------------------

TEST(BmpWriter, WritesHeadersThenTheBitmapBitsAsTheyLie) {
  const HeaderCase cases[] = {
      {1, 1, 4, 4, 58},
      {3, 2, 12, 24, 78},
      {5, 1, 16, 16, 70},
      {512, 512, 1536, 786432, 786486},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    ScratchFolder folder;
    PaintedBitmap image(c.width, c.height);
    ASSERT_NE(image.bits(), nullptr);
    const std::string path = folder.path("out.bmp");

    ASSERT_EQ(writeBmpFile(path.c_str(), image.get()), 1);
    const Bytes file = readFile(path);
    ASSERT_EQ(file.size(), c.fileBytes);
    EXPECT_EQ(readLe32(file, 2), c.fileBytes);
    EXPECT_EQ(readLe32(file, 18), static_cast<uint32_t>(c.width));
    EXPECT_EQ(readLe32(file, 22), static_cast<uint32_t>(c.height));
    EXPECT_EQ(readLe32(file, 34), c.imageBytes);
    const Bytes bits(image.bits(), image.bits() + c.imageBytes);
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), file.begin() + 54))
        << "pixel array differs from the bits";
    // Row padding stays zero: for 1x1 the file's last byte is padding.
    for (uint32_t row = 0; row < static_cast<uint32_t>(c.height); ++row)
      for (uint32_t at = 3 * c.width; at < c.rowBytes; ++at)
        ASSERT_EQ(file[54 + row * c.rowBytes + at], 0)
            << "padding of row " << row << " byte " << at;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"out.bmp"}) << "temporary left behind";
  }
}

TEST(BmpWriter, AsymmetricImageIsStoredBottomUpBgrWithZeroPadding) {
  constexpr int kWidth = 6, kHeight = 5;
  ScratchFolder folder;
  PaintedBitmap image(kWidth, kHeight);
  ASSERT_NE(image.bits(), nullptr);
  const std::string path = folder.path("asym.bmp");
  ASSERT_EQ(writeBmpFile(path.c_str(), image.get()), 1);

  // Built from the picture, not from the bitmap's memory: bottom row first,
  // each pixel blue, green, red, each row padded from 18 to 20 bytes.
  Bytes expected;
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb colour = patternColour(x, y);
      expected.insert(expected.end(), {colour.blue, colour.green, colour.red});
    }
    expected.insert(expected.end(), {0, 0});
  }
  const Bytes file = readFile(path);
  ASSERT_EQ(file.size(), 54 + expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(file[54 + i], expected[i])
        << "pixel byte " << i << " (file row " << i / 20 << ", byte " << i % 20 << ")";
  }
}

TEST(BmpWriter, ReplacesALongerExistingFileEntirely) {
  ScratchFolder folder;
  const std::string path = folder.path("existing.bmp");
  writeFile(path, Bytes(4096, 0xAB));
  PaintedBitmap image(3, 2);
  ASSERT_EQ(writeBmpFile(path.c_str(), image.get()), 1);

  const Bytes file = readFile(path);
  ASSERT_EQ(file.size(), 78u) << "old tail survived";
  EXPECT_EQ(readLe32(file, 2), 78u);
  EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), image.bits()));
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"existing.bmp"});
}

TEST(BmpWriter, BareFileNameIsWrittenInTheCurrentFolder) {
  ScratchFolder folder;
  const fs::path previous = fs::current_path();
  fs::current_path(folder.path(""));
  PaintedBitmap image(5, 1);
  const int result = writeBmpFile("bare.bmp", image.get());
  fs::current_path(previous);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(readFile(folder.path("bare.bmp")).size(), 70u);
  EXPECT_EQ(folder.entries(), std::vector<std::string>{"bare.bmp"});
}

// ---- Failures ------------------------------------------------------------------

// Every failing call must return 0 and leave the folder as it was: the
// existing "keep.bmp" byte for byte, nothing created, no temporary left.
TEST(BmpWriter, FailuresLeaveTheFolderAsItWas) {
  struct Call {
    std::string path;  // "" with nullPath false means the empty path
    bool nullPath;
    HBITMAP bitmap;
  };
  struct Case {
    const char* name;
    std::function<Call(ScratchFolder&, HBITMAP valid, GdiObjects& owned)> arrange;
  };
  const Case cases[] = {
      {"null path",
       [](ScratchFolder&, HBITMAP valid, GdiObjects&) {
         return Call{"", true, valid};
       }},
      {"empty path",
       [](ScratchFolder&, HBITMAP valid, GdiObjects&) {
         return Call{"", false, valid};
       }},
      {"null bitmap",
       [](ScratchFolder& f, HBITMAP, GdiObjects&) {
         return Call{f.path("keep.bmp"), false, nullptr};
       }},
      {"brush handle",
       [](ScratchFolder& f, HBITMAP, GdiObjects& owned) {
         return Call{f.path("keep.bmp"), false,
                     static_cast<HBITMAP>(owned.add(CreateSolidBrush(RGB(1, 2, 3))))};
       }},
      {"deleted bitmap",
       [](ScratchFolder& f, HBITMAP, GdiObjects&) {
         HBITMAP gone = createDisplayBitmap(2, 2);
         DeleteObject(gone);
         return Call{f.path("keep.bmp"), false, gone};
       }},
#ifdef _WIN32
      // A device-dependent bitmap has no addressable bits (the stand-in makes
      // DIB sections only).
      {"device-dependent bitmap",
       [](ScratchFolder& f, HBITMAP, GdiObjects& owned) {
         ScreenDC screen;
         return Call{f.path("keep.bmp"), false,
                     static_cast<HBITMAP>(owned.add(CreateCompatibleBitmap(screen.get(), 4, 4)))};
       }},
#endif
      {"missing folder",
       [](ScratchFolder& f, HBITMAP valid, GdiObjects&) {
         return Call{f.path("missing") + "/out.bmp", false, valid};
       }},
      {"read-only destination",
       [](ScratchFolder& f, HBITMAP valid, GdiObjects&) {
         setReadOnly(f.path("keep.bmp"), true);
         return Call{f.path("keep.bmp"), false, valid};
       }},
      {"destination is a folder",
       [](ScratchFolder& f, HBITMAP valid, GdiObjects&) {
         fs::create_directory(f.path("folder.bmp"));
         return Call{f.path("folder.bmp"), false, valid};
       }},
  };
  const Bytes keep = {'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 0, 0xFF};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    writeFile(folder.path("keep.bmp"), keep);
    PaintedBitmap image(6, 5);
    GdiObjects owned;
    const Call call = c.arrange(folder, image.get(), owned);
    const std::vector<std::string> before = folder.entries();

    EXPECT_EQ(writeBmpFile(call.nullPath ? nullptr : call.path.c_str(), call.bitmap), 0);
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(readFile(folder.path("keep.bmp")), keep);
  }
}

#ifndef _WIN32
// A file-size limit makes the disk "fill up" mid-save. The small image fits
// the stdio buffer, so only the flush at close can fail; the large one fails
// in fwrite itself. Either way the old file must survive.
TEST(BmpWriter, ShortWriteOrFailedCloseKeepsTheExistingFile) {
  struct Case {
    const char* name;
    int width, height;
    rlim_t limit;
  };
  const Case cases[] = {
      {"fails at close", 6, 5, 100},
      {"fails at write", 512, 512, 100000},
  };
  const Bytes keep(60, 0x5A);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::string path = folder.path("keep.bmp");
    writeFile(path, keep);
    PaintedBitmap image(c.width, c.height);

    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = c.limit;
    std::fflush(stdout);
    std::fflush(stderr);
    void (*previousHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const int result = writeBmpFile(path.c_str(), image.get());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), keep);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"keep.bmp"});
  }
}

TEST(BmpWriter, ReplacementKeepsThePermissionsOfTheOldFile) {
  ScratchFolder folder;
  const std::string path = folder.path("private.bmp");
  writeFile(path, Bytes(10, 1));
  chmod(path.c_str(), 0600);
  PaintedBitmap image(1, 1);
  ASSERT_EQ(writeBmpFile(path.c_str(), image.get()), 1);
  struct stat status;
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

// ---- Independent decoders --------------------------------------------------------

// Runs a shell command and returns its standard output, or false when it
// could not run or exited with an error.
bool captureOutput(const std::string& command, Bytes& output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  output.clear();
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.insert(output.end(), buffer, buffer + got);
  return pclose(pipe) == 0;
}

struct Decoder {
  const char* name;
  // Probe commands: the first that succeeds gives the interpreter to use.
  std::vector<std::string> interpreters;
  const char* probe;
  // Prints the picture as raw RGB, rows top to bottom; %s is the path.
  const char* decode;
};

// Returns the first interpreter for which the probe succeeds, or "".
std::string findInterpreter(const Decoder& decoder) {
  for (const std::string& candidate : decoder.interpreters) {
    Bytes ignored;
    if (captureOutput(candidate + " " + decoder.probe + " >/dev/null 2>&1", ignored))
      return candidate;
  }
  return "";
}

TEST(BmpWriter, IndependentDecodersSeeThePaintedPicture) {
  const Decoder decoders[] = {
      // The python3 first on PATH may lack PIL while the system's has it.
      {"PIL",
       {"python3", "/usr/bin/python3"},
       "-c 'import PIL.Image'",
       "-c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
       "assert im.format == \"BMP\" and im.mode == \"RGB\", (im.format, im.mode); "
       "print(im.width, im.height); sys.stdout.flush(); sys.stdout.buffer.write(im.tobytes())' "
       "'%s'"},
      {"ImageMagick",
       {"convert"},
       "-version",
       "'%s' -format '%%w %%h\\n' -write info:- -depth 8 rgb:-"},
  };
  const int sizes[][2] = {{6, 5}, {7, 3}, {1, 1}};
  int decodersRun = 0;
  for (const Decoder& decoder : decoders) {
    const std::string interpreter = findInterpreter(decoder);
    if (interpreter.empty()) {
      std::printf("note: %s not available, not decoding with it\n", decoder.name);
      continue;
    }
    ++decodersRun;
    for (const auto& size : sizes) {
      const int width = size[0], height = size[1];
      SCOPED_TRACE(std::string(decoder.name) + " " + std::to_string(width) + "x" +
                   std::to_string(height));
      ScratchFolder folder;
      const std::string path = folder.path("decode.bmp");
      PaintedBitmap image(width, height);
      ASSERT_EQ(writeBmpFile(path.c_str(), image.get()), 1);

      char command[1024];
      std::snprintf(command, sizeof command, decoder.decode, path.c_str());
      Bytes output;
      ASSERT_TRUE(captureOutput(interpreter + " " + command, output))
          << interpreter << " " << command;
      const auto newline = std::find(output.begin(), output.end(), '\n');
      ASSERT_NE(newline, output.end());
      EXPECT_EQ(std::string(output.begin(), newline),
                std::to_string(width) + " " + std::to_string(height));
      const Bytes rgb(newline + 1, output.end());
      ASSERT_EQ(rgb.size(), static_cast<size_t>(width) * height * 3);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const Rgb want = patternColour(x, y);
          const uint8_t* got = &rgb[(static_cast<size_t>(y) * width + x) * 3];
          ASSERT_TRUE(got[0] == want.red && got[1] == want.green && got[2] == want.blue)
              << "pixel (" << x << ", " << y << "): decoded " << int(got[0]) << "," << int(got[1])
              << "," << int(got[2]) << " expected " << int(want.red) << "," << int(want.green)
              << "," << int(want.blue);
        }
      }
    }
  }
  if (decodersRun == 0)
    GTEST_SKIP() << "neither python3 with PIL nor ImageMagick's convert is installed";
}
#endif

}  // namespace
