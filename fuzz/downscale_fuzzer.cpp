// downscaleBlock: exactly the allowed targets succeed, a refusal leaves it empty, the asked size and stride, no
// source padding in it. Input: source width, height (2 bytes each), target mode, target width, height (2 bytes
// each relative to the source, or 4 raw in mode 1), fault byte, then the pixel bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "image/area_average.h"
#include "image/pixel_layout.h"
#include "platform/allocation.h"

namespace {

void fill(PixelBlock& block, const uint8_t* bytes, size_t count, uint8_t padding) {
  size_t next = 0;
  for (uint32_t y = 0; y < block.height; ++y) {
    uint8_t* row = block.data + size_t(y) * block.stride;
    for (size_t i = 0; i < size_t(block.width) * 3; ++i, next = count ? (next + 1) % count : 0)
      row[i] = count ? bytes[next] : 128;
    std::memset(row + size_t(block.width) * 3, padding, block.stride - size_t(block.width) * 3);
  }
}

// The result's rows without padding; false when refused.
bool reduce(const PixelBlock& source, uint32_t width, uint32_t height, std::vector<uint8_t>& bytes) {
  PixelBlock target{0xDEAD, 0xBEEF, 7, reinterpret_cast<uint8_t*>(&target)};  // must be overwritten
  if (!downscaleBlock(source, target, width, height)) {
    FUZZ_CHECK(!target.data, "refused -> %ux%u but left target.data", width, height);
    return false;
  }
  FUZZ_CHECK(target.data && target.width == width && target.height == height &&
                 target.stride == displayRowBytes(width),
             "target %ux%u stride %zu, expected %ux%u", target.width, target.height, target.stride, width, height);
  for (const uint8_t* row = target.data; row < target.data + size_t(height) * target.stride; row += target.stride)
    bytes.insert(bytes.end(), row, row + size_t(width) * 3);
  freePixelBlock(target);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  allocation_faults::clear();
  FuzzInput input(data, size);
  const uint32_t sw = input.side();
  const uint32_t sh = std::min(input.side(), (1u << 16) / sw);
  const bool raw = input.byte() & 1;
  const uint32_t tw = raw ? input.u32() : input.u16() % (sw + 2);  // else 0 to one past the source
  const uint32_t th = raw ? input.u32() : input.u16() % (sh + 2);
  const uint8_t fault = input.byte();

  PixelBlock source;
  allocPixelBlock(sw, sh, source, AllocationSite::DownscaleSource);
  FUZZ_CHECK(source.data, "no memory for a %ux%u source", sw, sh);
  fill(source, input.rest(), input.restSize(), 0x00);
  const bool allowed = tw >= 1 && th >= 1 && tw <= sw && th <= sh;
  std::vector<uint8_t> first, second;
  if (allowed && fault % 4 != 0) {
    allocation_faults::failAt(fault % 4 == 1 ? AllocationSite::DownscaleTarget : AllocationSite::DownscaleAccumulator);
    FUZZ_CHECK(!reduce(source, tw, th, first), "an injected failure (fault %d) still gave a result", fault % 4);
    allocation_faults::clear();
  }
  FUZZ_CHECK(reduce(source, tw, th, first) == allowed, "%ux%u -> %ux%u: expected allowed %d", sw, sh, tw, th, allowed);
  if (allowed) {
    fill(source, input.rest(), input.restSize(), 0xFF);
    FUZZ_CHECK(reduce(source, tw, th, second) && second == first, "%ux%u -> %ux%u: padding reached the result", sw,
               sh, tw, th);
  }
  freePixelBlock(source);
  return 0;
}
