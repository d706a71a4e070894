// Single pass over the source with an integer error counter along each axis,
// summing into a single-precision accumulator, then one normalisation pass.
// The exact rounding steps below fix every output bit; thumbnails made by
// earlier builds must not change, so keep each cast where it is.
#include "area_average.h"

#include <cstring>
#include <limits>

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

// A source row that lies within one target row. Whole pixels go in with
// weight 1 as single-precision additions: adding a byte value to a float
// rounds exactly like forming the sum in double and rounding it to single
// (double has more than twice the bits). Two columns are summed side by side
// so that their independent chains of additions overlap.
void addRowWithin(const uint8_t* row, float* sums, const ColumnSpan* spans, uint32_t columns) {
  uint32_t column = 0;
  for (; column + 1 < columns; column += 2) {
    const ColumnSpan& left = spans[column];
    const ColumnSpan& right = spans[column + 1];
    float* leftSums = sums + 3 * static_cast<size_t>(column);
    float* rightSums = leftSums + 3;
    const uint8_t* leftPixel = row + left.firstByte;
    const uint8_t* rightPixel = row + right.firstByte;
    float l0 = leftSums[0], l1 = leftSums[1], l2 = leftSums[2];
    float r0 = rightSums[0], r1 = rightSums[1], r2 = rightSums[2];
    if (left.straddles) {
      // The shared pixel reaches the right column before its own pixels do.
      const uint8_t* shared = leftPixel + 3 * static_cast<size_t>(left.wholePixels);
      r0 = addWeighted(r0, shared[0], left.nextShare);
      r1 = addWeighted(r1, shared[1], left.nextShare);
      r2 = addWeighted(r2, shared[2], left.nextShare);
    }
    uint32_t leftCount = left.wholePixels, rightCount = right.wholePixels;
    for (; leftCount != 0 && rightCount != 0; --leftCount, --rightCount, leftPixel += 3, rightPixel += 3) {
      l0 += leftPixel[0];
      r0 += rightPixel[0];
      l1 += leftPixel[1];
      r1 += rightPixel[1];
      l2 += leftPixel[2];
      r2 += rightPixel[2];
    }
    for (; leftCount != 0; --leftCount, leftPixel += 3) {
      l0 += leftPixel[0];
      l1 += leftPixel[1];
      l2 += leftPixel[2];
    }
    for (; rightCount != 0; --rightCount, rightPixel += 3) {
      r0 += rightPixel[0];
      r1 += rightPixel[1];
      r2 += rightPixel[2];
    }
    if (left.straddles) {
      l0 = addWeighted(l0, leftPixel[0], left.ownShare);
      l1 = addWeighted(l1, leftPixel[1], left.ownShare);
      l2 = addWeighted(l2, leftPixel[2], left.ownShare);
    }
    if (right.straddles) {
      for (int k = 0; k < 3; ++k) rightSums[3 + k] = addWeighted(rightSums[3 + k], rightPixel[k], right.nextShare);
      r0 = addWeighted(r0, rightPixel[0], right.ownShare);
      r1 = addWeighted(r1, rightPixel[1], right.ownShare);
      r2 = addWeighted(r2, rightPixel[2], right.ownShare);
    }
    leftSums[0] = l0, leftSums[1] = l1, leftSums[2] = l2;
    rightSums[0] = r0, rightSums[1] = r1, rightSums[2] = r2;
  }
  if (column < columns) {  // the last column of an odd count: nothing to its right
    float* last = sums + 3 * static_cast<size_t>(column);
    const uint8_t* pixel = row + spans[column].firstByte;
    float b0 = last[0], b1 = last[1], b2 = last[2];
    for (uint32_t n = spans[column].wholePixels; n != 0; --n, pixel += 3) {
      b0 += pixel[0];
      b1 += pixel[1];
      b2 += pixel[2];
    }
    last[0] = b0, last[1] = b1, last[2] = b2;
  }
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
inline uint8_t toByte(float factor, float sum) {
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
    for (size_t j = 0; j < rowLength; ++j) targetRow[j] = toByte(factor, *sum++);
  }
  freeBlock(block);
  return true;
}
