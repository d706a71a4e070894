// Single pass over the source with an integer error counter along each axis,
// summing into a single-precision accumulator, then one normalisation pass.
// The exact rounding steps below fix every output bit; thumbnails made by
// earlier builds must not change, so keep each cast where it is.
#include "area_average.h"

#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/pixel_layout.h"

namespace {

// How every source row meets one target column: some pixels lie wholly inside
// it (the last may end exactly on its right border), then possibly one pixel
// is shared with the next column. Columns repeat identically in every row, so
// they are worked out once instead of running the column counter per pixel.
struct ColumnSpan {
  size_t firstByte;       // where in a row the column's first pixel starts
  uint32_t wholePixels;
  uint32_t straddles;     // 1: a shared pixel follows the whole ones
  double nextShare;       // D, its part in the next column, for rows within one target row
  double ownShare;        // 1 - D, likewise
  float nextShareSingle;  // D and 1 - D rounded to single, for rows shared by two target rows
  float ownShareSingle;
};

// Weighted addition: product and sum in double, rounded to single on storing.
inline float addWeighted(float sum, uint8_t value, double weight) {
  return static_cast<float>(static_cast<double>(sum) + value * weight);
}

// The complement of a share that has already been rounded to single: computed
// from the rounded share, then rounded itself.
inline float complementSingle(float share) { return static_cast<float>(1.0 - static_cast<double>(share)); }

// Runs the column error counter once along a row; needs targetWidth <= sourceWidth.
void buildColumnSpans(ColumnSpan* spans, uint32_t sourceWidth, uint32_t targetWidth) {
  std::memset(spans, 0, sizeof(ColumnSpan) * targetWidth);
  uint64_t counter = 0;  // in units of 1 / targetWidth source pixels
  uint32_t column = 0;
  for (uint32_t x = 0; x < sourceWidth; ++x) {
    counter += targetWidth;
    ColumnSpan& span = spans[column];
    if (span.wholePixels == 0 && !span.straddles) span.firstByte = static_cast<size_t>(x) * 3;
    if (counter > sourceWidth) {
      const double share = static_cast<double>(counter - sourceWidth) / targetWidth;
      span.straddles = 1;
      span.nextShare = share;
      span.ownShare = 1.0 - share;
      span.nextShareSingle = static_cast<float>(share);
      span.ownShareSingle = complementSingle(span.nextShareSingle);
      counter -= sourceWidth;
      ++column;
    } else {
      ++span.wholePixels;
      if (counter == sourceWidth) {
        counter = 0;
        ++column;
      }
    }
  }
}

// The three bytes of a pixel side by side in single precision (lanes 0 to
// 2); converting a byte is exact, so adding lanes is adding channels.
#if defined(__SSE2__)
using PixelSums = __m128;

inline PixelSums loadSums(const float* sums) { return _mm_setr_ps(sums[0], sums[1], sums[2], 0.0f); }

inline void storeSums(PixelSums value, float* sums) {
  float lanes[4];
  _mm_storeu_ps(lanes, value);
  sums[0] = lanes[0], sums[1] = lanes[1], sums[2] = lanes[2];
}

inline PixelSums widen(int32_t bytes) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero);
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
}

// Reads the byte after the pixel too (into the unused lane): the pixel must
// not be the last of its row.
inline PixelSums addPixel(PixelSums sums, const uint8_t* pixel) {
  int32_t bytes;
  std::memcpy(&bytes, pixel, 4);
  return _mm_add_ps(sums, widen(bytes));
}

inline PixelSums addLastPixel(PixelSums sums, const uint8_t* pixel) {
  return _mm_add_ps(sums, widen(int32_t(pixel[0]) | int32_t(pixel[1]) << 8 | int32_t(pixel[2]) << 16));
}
#else
struct PixelSums {
  float lane[3];
};

inline PixelSums loadSums(const float* sums) { return {{sums[0], sums[1], sums[2]}}; }

inline void storeSums(PixelSums value, float* sums) {
  sums[0] = value.lane[0], sums[1] = value.lane[1], sums[2] = value.lane[2];
}

inline PixelSums addPixel(PixelSums sums, const uint8_t* pixel) {
  for (int k = 0; k < 3; ++k) sums.lane[k] += pixel[k];
  return sums;
}

inline PixelSums addLastPixel(PixelSums sums, const uint8_t* pixel) { return addPixel(sums, pixel); }
#endif

// Up to four neighbouring columns of a source row that lies within one target
// row. Each column's sums take, in this order: the pixel it shares with the
// column to its left, its whole pixels with weight 1 as single-precision
// additions (adding a byte value to a float rounds exactly like forming the
// sum in double and rounding it to single: double has more than twice the
// bits), then the pixel it shares with the column to its right. Columns are
// independent, so their chains of additions run side by side.
template <uint32_t kGroup>
void addColumnsWithin(const uint8_t* row, float* sums, const ColumnSpan* spans, uint32_t first,
                      uint32_t columns) {
  PixelSums group[kGroup];
  const uint8_t* pixel[kGroup];
  uint32_t count[kGroup];
  uint32_t common = ~0u;
  for (uint32_t j = 0; j < kGroup; ++j) {
    const uint32_t column = first + j;
    float* own = sums + 3 * static_cast<size_t>(column);
    if (column > 0 && spans[column - 1].straddles) {
      const ColumnSpan& left = spans[column - 1];
      const uint8_t* shared = row + left.firstByte + 3 * static_cast<size_t>(left.wholePixels);
      for (int k = 0; k < 3; ++k) own[k] = addWeighted(own[k], shared[k], left.nextShare);
    }
    group[j] = loadSums(own);
    pixel[j] = row + spans[column].firstByte;
    // The last column ends the row: its last pixel is added on its own.
    count[j] = spans[column].wholePixels - (column + 1 == columns ? 1 : 0);
    if (count[j] < common) common = count[j];
  }
  for (uint32_t n = 0; n < common; ++n) {
    for (uint32_t j = 0; j < kGroup; ++j) {
      group[j] = addPixel(group[j], pixel[j]);
      pixel[j] += 3;
    }
  }
  for (uint32_t j = 0; j < kGroup; ++j) {
    const uint32_t column = first + j;
    for (uint32_t n = common; n < count[j]; ++n, pixel[j] += 3) group[j] = addPixel(group[j], pixel[j]);
    if (column + 1 == columns) {
      group[j] = addLastPixel(group[j], pixel[j]);
      pixel[j] += 3;
    }
    float* own = sums + 3 * static_cast<size_t>(column);
    storeSums(group[j], own);
    if (spans[column].straddles) {
      for (int k = 0; k < 3; ++k) own[k] = addWeighted(own[k], pixel[j][k], spans[column].ownShare);
    }
  }
}

void addRowWithin(const uint8_t* row, float* sums, const ColumnSpan* spans, uint32_t columns) {
  uint32_t column = 0;
  for (; column + 4 <= columns; column += 4) addColumnsWithin<4>(row, sums, spans, column, columns);
  for (; column < columns; ++column) addColumnsWithin<1>(row, sums, spans, column, columns);
}

// A source row shared by the current target row (`sums`, part ownShare) and
// the next one (`below`, part nextShare); both parts already single.
void addRowAcross(const uint8_t* pixel, float* sums, float* below, const ColumnSpan* spans,
                  uint32_t columns, float ownShare, float nextShare) {
  for (uint32_t column = 0; column < columns; ++column, sums += 3, below += 3) {
    const ColumnSpan& span = spans[column];
    for (uint32_t n = span.wholePixels; n != 0; --n, pixel += 3) {
      for (int k = 0; k < 3; ++k) {
        sums[k] = addWeighted(sums[k], pixel[k], ownShare);
        below[k] = addWeighted(below[k], pixel[k], nextShare);
      }
    }
    if (span.straddles) {
      // Single-precision products of single-precision shares.
      const float here = ownShare * span.ownShareSingle;
      const float right = ownShare * span.nextShareSingle;
      const float down = nextShare * span.ownShareSingle;
      const float downRight = nextShare * span.nextShareSingle;
      for (int k = 0; k < 3; ++k) {
        sums[k] = addWeighted(sums[k], pixel[k], here);
        sums[3 + k] = addWeighted(sums[3 + k], pixel[k], right);
        below[k] = addWeighted(below[k], pixel[k], down);
        below[3 + k] = addWeighted(below[3 + k], pixel[k], downRight);
      }
      pixel += 3;
    }
  }
}

// factor x sum + 0.5 in double, cut toward zero. The true mean never exceeds
// 255, but single-precision sums of several hundred thousand pixels can
// overshoot by a few tenths; a byte must not wrap white round to black.
inline uint8_t saturatedMeanByte(float factor, float sum) {
  const double value = static_cast<double>(factor) * static_cast<double>(sum) + 0.5;
  return value < 255.0 ? static_cast<uint8_t>(static_cast<int32_t>(value)) : uint8_t{255};
}

}  // namespace

void allocPixelBlock(uint32_t width, uint32_t height, PixelBlock& block, AllocationSite site) {
  block.width = width;
  block.height = height;
  block.data = nullptr;
  const uint64_t stride = displayRowBytes(width);
  block.stride = static_cast<size_t>(stride);
  // Refuse sizes whose byte count does not fit the address space rather than
  // allocate a wrapped-round, too small block.
  const uint64_t maxBytes = std::numeric_limits<size_t>::max();
  if (stride > maxBytes || (height != 0 && stride > maxBytes / height)) return;
  block.data = static_cast<uint8_t*>(allocateBlock(site, static_cast<size_t>(stride * height)));
}

void freePixelBlock(PixelBlock& block) {
  freeBlock(block.data);
  block.data = nullptr;
}

bool downscaleBlock(const PixelBlock& source, PixelBlock& target, uint32_t targetWidth,
                    uint32_t targetHeight) {
  target.data = nullptr;
  const uint32_t sourceWidth = source.width;
  const uint32_t sourceHeight = source.height;
  // Each source pixel may cross at most one target border along each axis.
  if (!source.data || targetWidth == 0 || targetHeight == 0 || targetWidth > sourceWidth ||
      targetHeight > sourceHeight)
    return false;

  allocPixelBlock(targetWidth, targetHeight, target, AllocationSite::DownscaleTarget);
  if (!target.data) return false;

  // One block holds the column spans and, after them, the accumulator: three
  // floats a target pixel, rows of rowLength without alignment.
  const size_t rowLength = static_cast<size_t>(targetWidth) * 3;
  const uint64_t sumCount = static_cast<uint64_t>(targetWidth) * targetHeight * 3;
  const uint64_t spanBytes = static_cast<uint64_t>(targetWidth) * sizeof(ColumnSpan);
  const uint64_t maxBytes = std::numeric_limits<size_t>::max();
  void* block = nullptr;
  if (sumCount <= (maxBytes - spanBytes) / sizeof(float))
    block = allocateZeroedBlock(AllocationSite::DownscaleAccumulator,
                                static_cast<size_t>(spanBytes + sumCount * sizeof(float)));
  if (!block) {
    // Leave nothing undefined to be written into the target bitmap.
    freePixelBlock(target);
    return false;
  }
  ColumnSpan* spans = static_cast<ColumnSpan*>(block);
  float* sums = reinterpret_cast<float*>(static_cast<uint8_t*>(block) + spanBytes);
  buildColumnSpans(spans, sourceWidth, targetWidth);

  uint64_t rowCounter = 0;  // the row error counter, in units of 1 / targetHeight source rows
  float* currentRow = sums;
  const uint8_t* sourceRow = source.data;
  for (uint32_t y = 0; y < sourceHeight; ++y, sourceRow += source.stride) {
    rowCounter += targetHeight;
    if (rowCounter > sourceHeight) {
      const float nextShare =
          static_cast<float>(static_cast<double>(rowCounter - sourceHeight) / targetHeight);
      addRowAcross(sourceRow, currentRow, currentRow + rowLength, spans, targetWidth,
                   complementSingle(nextShare), nextShare);
      rowCounter -= sourceHeight;
      currentRow += rowLength;
    } else {
      addRowWithin(sourceRow, currentRow, spans, targetWidth);
      if (rowCounter == sourceHeight) {
        rowCounter = 0;
        currentRow += rowLength;
      }
    }
  }

  // The weights of one target pixel add up to (sw x sh) / (W x H).
  const float factor = static_cast<float>(static_cast<double>(uint64_t{targetWidth} * targetHeight) /
                                          static_cast<double>(uint64_t{sourceWidth} * sourceHeight));
  const float* sum = sums;
  uint8_t* targetRow = target.data;
  for (uint32_t y = 0; y < targetHeight; ++y, targetRow += target.stride) {
    for (size_t j = 0; j < rowLength; ++j) targetRow[j] = saturatedMeanByte(factor, *sum++);
  }
  freeBlock(block);
  return true;
}
