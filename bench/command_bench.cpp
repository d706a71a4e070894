// What a dialog command costs, timed by a harness of our own so that the same
// source builds natively (against the GDI stand-in) and for Windows (real GDI,
// run under Wine), and the two sets of figures can be laid side by side.
// Every case prints one line: name, then the median, fastest and slowest wall
// time in milliseconds over its runs (after one run not counted).
//
//   shadeloom-command-bench [SUBSTRING...]   only the cases whose names contain all
//
// Besides renderCurrentGradient and resizeImage, the steps of one command are
// timed on their own (Linear Vertical), to show where the time goes: the
// kernel, updateBitmap and within it the black bitmap, the thumbnail and
// within it GetDIBits and the reduction.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_state.h"
#include "gradient/render_dispatch.h"
#include "image/downscaler.h"
#include "image/pixel_layout.h"
#include "ui/thumbnail.h"

namespace {

using bench::BenchState;
using bench::Size;

std::vector<std::string> g_wanted;

bool wanted(const std::string& name) {
  for (const std::string& part : g_wanted)
    if (name.find(part) == std::string::npos) return false;
  return true;
}

// The median of the runs is the figure; one slow run (another build on the
// machine) does not move it. Large images get fewer runs.
void timeCase(const std::string& name, Size size, const std::function<void()>& command) {
  const bool large = int64_t(size.width) * size.height > 4'000'000;
  const int runs = large ? 7 : 21;
  command();  // not counted: the first run pays for pages and caches
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    command();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%s\t%.3f\t%.3f\t%.3f\n", name.c_str(), ms[ms.size() / 2], ms.front(), ms.back());
  std::fflush(stdout);
}

void failed(const std::string& name) {
  std::printf("%s\tfailed\n", name.c_str());
  std::fflush(stdout);
}

// One case: the state is made only when the case is wanted.
void run(const std::string& name, int32_t type, Size size, const std::function<void(AppState&)>& command) {
  if (!wanted(name)) return;
  BenchState bench(type, size);
  if (!bench.ok()) return failed(name);
  timeCase(name, size, [&] { command(bench.state()); });
}

void renderCases(Size size) {
  for (int32_t type = 0; type < kGradientTypeCount; ++type)
    run("renderCurrentGradient/" + bench::typeName(type) + "/" + bench::sizeName(size), type, size,
        [](AppState&) { renderCurrentGradient(); });
}

void resizeCases(Size size) {
  for (int32_t type = 0; type < kGradientTypeCount; ++type)
    run("resizeImage/" + bench::typeName(type) + "/" + bench::sizeName(size), type, size,
        [](AppState&) { resizeImage(); });
}

// The steps of one command, each alone.
void stepCases(Size size) {
  const std::string suffix = "/" + bench::sizeName(size);
  const int32_t type = LinearVertical;
  run("step/kernel" + suffix, type, size, [](AppState& state) {
    const PixelTarget target{state.image.pixels, uint32_t(state.image.width), uint32_t(state.image.height)};
    bench::fillKernel(LinearVertical, target, colorsFrom(bench::kStartColor, bench::kEndColor));
  });
  run("step/updateBitmap" + suffix, type, size, [](AppState& state) { updateBitmap(state.image); });
  run("step/createBlackBitmap" + suffix, type, size,
      [size](AppState&) { DeleteObject(createBlackBitmap(size.width, size.height)); });
  run("step/convertToDisplay" + suffix, type, size, [](AppState& state) {
    // Into plain memory of the display layout: the conversion without GDI.
    static std::vector<uint8_t> display;
    const ImageBuffer& image = state.image;
    display.resize(size_t(displayRowBytes(uint32_t(image.width))) * uint32_t(image.height));
    const DisplayConversion conversion{image.pixels, image.byteSize, uint32_t(image.width),
                                       uint32_t(image.height), 0, false, false};
    convertToDisplay(conversion, display.data());
  });
  run("step/rebuildThumbnail" + suffix, type, size, [](AppState&) { rebuildThumbnail(); });
  run("step/readPixelBlock" + suffix, type, size, [](AppState& state) {
    PixelBlock block{};
    readPixelBlock(state.image.bitmap, block);
    freePixelBlock(block);
  });
  PixelBlock source{};  // read once, by the first run
  run("step/downscaleBlock" + suffix, type, size, [&source](AppState& state) {
    if (!source.data) readPixelBlock(state.image.bitmap, source);
    const BitmapSize thumbnail = getBitmapSize(state.thumbnail.bitmap);
    PixelBlock target{};
    downscaleBlock(source, target, uint32_t(thumbnail.width), uint32_t(thumbnail.height));
    freePixelBlock(target);
  });
  freePixelBlock(source);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) g_wanted.push_back(argv[i]);
  for (const Size size : bench::kSizes) {
    renderCases(size);
    stepCases(size);
  }
  resizeCases(bench::kSizes[2]);
  return 0;
}
