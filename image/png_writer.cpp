#include "png_writer.h"

#include <zlib.h>

#include <cstdlib>
#include <memory>

#include "display_bitmap.h"

namespace {

// Level 6 with zlib's default strategy: gradient rows filter to long runs,
// so higher levels gain little and cost time.
constexpr int kDeflateLevel = 6;

// The filtered rows (a filter byte and 3 x W bytes each) and their deflated
// form, with zlib's worst-case growth, must stay below INT_MAX: 16 MiB of
// slack covers the growth (under 0.1 %) and the chunk framing.
constexpr uint64_t kMaxFilteredBytes = 0x7F000000u;

unsigned char* deflateForPng(unsigned char* data, int length, int* outLength, int /*quality*/) {
  uLongf size = compressBound(uLong(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (!out) return nullptr;
  if (compress2(out, &size, data, uLong(length), kDeflateLevel) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outLength = int(size);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS deflateForPng
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};

// The display bitmap's rows (bottom-up, BGR, padded) as top-down RGB rows
// without padding, the order PNG stores; null when memory runs out.
unsigned char* topDownRgb(const BitmapFacts& facts) {
  const size_t width = size_t(facts.width), height = size_t(facts.height);
  const size_t rowBytes = ((width * 3) + 3) & ~size_t{3};
  auto* rgb = static_cast<unsigned char*>(std::malloc(width * 3 * height));
  if (!rgb) return nullptr;
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* from = facts.bits + (height - 1 - y) * rowBytes;
    unsigned char* to = rgb + y * width * 3;
    for (size_t x = 0; x < width * 3; x += 3) {
      to[x] = from[x + 2];
      to[x + 1] = from[x + 1];
      to[x + 2] = from[x];
    }
  }
  return rgb;
}

}  // namespace

bool pngSizeWritable(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return false;
  return (uint64_t(width) * 3 + 1) * uint64_t(height) <= kMaxFilteredBytes;
}

int writePng(HBITMAP bitmap, ByteSink sink, void* context) {
  if (!bitmap) return 0;
  const BitmapFacts facts = describeBitmap(bitmap);
  if (!facts.bits || !pngSizeWritable(facts.width, facts.height)) return 0;
  std::unique_ptr<unsigned char, FreeDeleter> rgb(topDownRgb(facts));
  if (!rgb) return 0;
  // Paeth for every row: it suits gradients in any direction, and it spares
  // the trial of all five filters per row (whose sums overflow on very wide rows).
  stbi_write_force_png_filter = 4;
  int size = 0;
  std::unique_ptr<unsigned char, FreeDeleter> png(
      stbi_write_png_to_mem(rgb.get(), facts.width * 3, facts.width, facts.height, 3, &size));
  rgb.reset();
  return png && sink(context, png.get(), size_t(size)) ? 1 : 0;
}

int writePngFile(const char* path, HBITMAP bitmap, std::string* failureReason) {
  // The whole file is encoded before the sink opens it: a failed encoding
  // touches no file.
  FileSink file{path, {}};
  const bool encoded = path && *path && writePng(bitmap, writeToFileSink, &file);
  return finishFileSink(file, encoded, failureReason);
}
