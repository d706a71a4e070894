// The area-averaging reduction (downscaleBlock) over fuzzed source sizes,
// target sizes (any 32-bit value, so zero and larger-than-source too),
// pixels and injected allocation failures. Checked: it refuses exactly the
// targets it must, a refusal or failed allocation leaves the target empty,
// the result has the asked size and stride, the bytes after a source row's
// last pixel never reach the result, and while a target pixel's sum stays
// exact in single precision each result channel lies within the source's
// range of that channel.
//
// Input: source width code (2), height code (2), target mode, target width
// and height (2 each relative to the source, or 4 each raw in mode 1), fault
// byte, then the pixel bytes, repeated to fill the source.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "image/area_average.h"
#include "image/pixel_layout.h"
#include "platform/allocation.h"

namespace {

constexpr uint64_t kMaxPixels = 1u << 16;

// Fills the source's pixels from `bytes` (cyclically; grey 128 when there are
// none) and every padding byte with `padding`.
void fill(PixelBlock& block, const uint8_t* bytes, size_t count, uint8_t padding) {
  size_t next = 0;
  for (uint32_t y = 0; y < block.height; ++y) {
    uint8_t* row = block.data + size_t(y) * block.stride;
    for (size_t i = 0; i < size_t(block.width) * 3; ++i) {
      row[i] = count ? bytes[next] : 128;
      if (count && ++next == count) next = 0;
    }
    std::memset(row + size_t(block.width) * 3, padding, block.stride - size_t(block.width) * 3);
  }
}

struct Reduced {
  bool ok;
  std::vector<uint8_t> bytes;  // the pixels of each row, padding left out
};

Reduced reduce(const PixelBlock& source, uint32_t targetWidth, uint32_t targetHeight) {
  PixelBlock target{0xDEAD, 0xBEEF, 7, reinterpret_cast<uint8_t*>(&target)};  // must be overwritten
  Reduced result{downscaleBlock(source, target, targetWidth, targetHeight), {}};
  if (!result.ok) {
    FUZZ_CHECK(target.data == nullptr, "refused %ux%u -> %ux%u but left target.data %p", source.width,
               source.height, targetWidth, targetHeight, static_cast<void*>(target.data));
    return result;
  }
  FUZZ_CHECK(target.data && target.width == targetWidth && target.height == targetHeight &&
                 target.stride == displayRowBytes(targetWidth),
             "target %ux%u stride %zu, expected %ux%u stride %llu", target.width, target.height, target.stride,
             targetWidth, targetHeight, (unsigned long long)displayRowBytes(targetWidth));
  for (uint32_t y = 0; y < targetHeight; ++y) {
    const uint8_t* row = target.data + size_t(y) * target.stride;
    result.bytes.insert(result.bytes.end(), row, row + size_t(targetWidth) * 3);
  }
  freePixelBlock(target);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  allocation_faults::clear();
  FuzzInput input(data, size);
  const uint32_t sourceWidth = input.side();
  uint32_t sourceHeight = input.side();
  if (uint64_t{sourceWidth} * sourceHeight > kMaxPixels) sourceHeight = uint32_t(kMaxPixels / sourceWidth);
  uint32_t targetWidth, targetHeight;
  if (input.byte() & 1) {
    targetWidth = input.u32();
    targetHeight = input.u32();
  } else {
    // 0 to one past the source: the edges of what is allowed.
    targetWidth = input.u16() % (sourceWidth + 2);
    targetHeight = input.u16() % (sourceHeight + 2);
  }
  const uint8_t fault = input.byte();

  PixelBlock source;
  allocPixelBlock(sourceWidth, sourceHeight, source, AllocationSite::DownscaleSource);
  FUZZ_CHECK(source.data, "no memory for a %ux%u source", sourceWidth, sourceHeight);
  fill(source, input.rest(), input.restSize(), 0x00);

  const bool allowed = targetWidth >= 1 && targetHeight >= 1 && targetWidth <= sourceWidth &&
                       targetHeight <= sourceHeight;
  if (allowed && fault % 4 != 0) {
    // A failed allocation: false, nothing returned, nothing leaked.
    const AllocationSite site = fault % 4 == 1 ? AllocationSite::DownscaleTarget : AllocationSite::DownscaleAccumulator;
    allocation_faults::failAt(site);
    const Reduced failed = reduce(source, targetWidth, targetHeight);
    allocation_faults::clear();
    FUZZ_CHECK(!failed.ok, "an injected failure at site %d still returned a result", int(site));
  }

  const Reduced first = reduce(source, targetWidth, targetHeight);
  FUZZ_CHECK(first.ok == allowed, "%ux%u -> %ux%u returned %d, expected %d", sourceWidth, sourceHeight, targetWidth,
             targetHeight, first.ok, allowed);
  if (first.ok) {
    fill(source, input.rest(), input.restSize(), 0xFF);
    const Reduced second = reduce(source, targetWidth, targetHeight);
    FUZZ_CHECK(second.ok && second.bytes == first.bytes,
               "%ux%u -> %ux%u: the result changed with the source's row padding", sourceWidth, sourceHeight,
               targetWidth, targetHeight);

    // A target pixel sums at most this many (weighted) source pixels; below
    // 2^16 of them a sum of bytes stays under 2^24, where single precision
    // is exact for whole pixels.
    const uint64_t covered = ((uint64_t{sourceWidth} + targetWidth - 1) / targetWidth + 1) *
                             ((uint64_t{sourceHeight} + targetHeight - 1) / targetHeight + 1);
    if (covered <= 65536) {
      uint8_t low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
      for (uint32_t y = 0; y < sourceHeight; ++y)
        for (uint32_t x = 0; x < sourceWidth; ++x)
          for (int k = 0; k < 3; ++k) {
            const uint8_t v = source.data[size_t(y) * source.stride + size_t(x) * 3 + k];
            if (v < low[k]) low[k] = v;
            if (v > high[k]) high[k] = v;
          }
      for (size_t i = 0; i < first.bytes.size(); ++i) {
        const int k = int(i % 3);
        FUZZ_CHECK(first.bytes[i] >= low[k] && first.bytes[i] <= high[k],
                   "%ux%u -> %ux%u: target pixel %zu channel %d is %d, outside the source's %d..%d", sourceWidth,
                   sourceHeight, targetWidth, targetHeight, i / 3, k, first.bytes[i], low[k], high[k]);
      }
    }
  }
  freePixelBlock(source);
  return 0;
}
