// What a dialog command costs, timed by a harness of our own so that the same
// source builds natively (against the GDI stand-in) and for Windows (real GDI,
// run under Wine), and the two sets of figures can be laid side by side.
// Every case prints one line: name, then the median, fastest and slowest wall
// time and the mean CPU time in milliseconds over its runs (after one run not
// counted).
//
//   shadeloom-command-bench [SUBSTRING...]   only the cases whose names contain all
//
// Besides renderCurrentGradient and resizeImage, the steps of one command are
// timed on their own, to show where the time goes: each type's kernel, and
// for Linear Vertical updateBitmap and within it the black bitmap, the thumbnail and
// within it GetDIBits and the reduction. The "piece/" cases time a command
// without one of its speed pieces.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench_state.h"
#include "gradient/render_dispatch.h"
#include "image/display_bitmap.h"
#include "image/downscaler.h"
#include "image/pixel_layout.h"
#include "image/thumbnail.h"
#include "platform/allocation.h"

namespace {

using bench::BenchState;
using bench::Size;

std::vector<std::string> g_wanted;

bool wanted(const std::string& name) {
  for (const std::string& part : g_wanted)
    if (name.find(part) == std::string::npos) return false;
  return true;
}

double threadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall time: the median of the runs, and the fastest and slowest. CPU time of
// the thread, page faults included: the mean over the runs, which another
// build on the machine does not inflate the way it does wall time (Wine
// counts it in 10 ms ticks, so the runs go on for at least 0.4 s).
void timeCase(const std::string& name, Size size, const std::function<void()>& command) {
  const bool large = int64_t(size.width) * size.height > 4'000'000;
  const int minimumRuns = large ? 7 : 21;
  command();  // not counted: the first run pays for pages and caches
  std::vector<double> ms;
  double total = 0.0;
  const double cpuStart = threadCpuMilliseconds();
  while (int(ms.size()) < minimumRuns || (total < 400.0 && ms.size() < 1000)) {
    const auto start = std::chrono::steady_clock::now();
    command();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    total += ms.back();
  }
  const double cpu = (threadCpuMilliseconds() - cpuStart) / double(ms.size());
  std::sort(ms.begin(), ms.end());
  std::printf("%s\t%.3f\t%.3f\t%.3f\t%.3f\n", name.c_str(), ms[ms.size() / 2], ms.front(), ms.back(), cpu);
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
  for (int32_t kernel = 0; kernel < kGradientTypeCount; ++kernel)
    run("step/kernel/" + bench::typeName(kernel) + suffix, kernel, size, [kernel](AppState& state) {
      const PixelTarget target{state.image.pixels, uint32_t(state.image.width), uint32_t(state.image.height)};
      bench::fillKernel(kernel, target, colorsFrom(bench::kStartColor, bench::kEndColor));
    });
  const int32_t type = LinearVertical;
  run("step/updateBitmap" + suffix, type, size, [](AppState& state) { updateBitmap(state.image); });
  run("step/createBlackBitmap" + suffix, type, size,
      [size](AppState&) { DeleteObject(createBlackBitmap(size.width, size.height)); });
  run("step/convertToDisplay" + suffix, type, size, [](AppState& state) {
    // Into plain memory of the display layout: the conversion without GDI.
    static std::vector<uint8_t> display;
    const ImageBuffer& image = state.image;
    display.resize(size_t(displayRowBytes(uint32_t(image.width))) * uint32_t(image.height));
    convertToDisplay(image.pixels, uint32_t(image.width), uint32_t(image.height), display.data());
  });
  run("step/rebuildThumbnail" + suffix, type, size,
      [](AppState& state) { rebuildThumbnail(state.image, state.thumbnail); });
  run("step/readPixelBlock" + suffix, type, size, [](AppState& state) {
    PixelBlock block{};
    readPixelBlock(state.image.bitmap, block);
    freePixelBlock(block);
  });
  PixelBlock source{};  // read once, by the first run
  run("step/downscaleBlock" + suffix, type, size, [&source](AppState& state) {
    if (!source.data) readPixelBlock(state.image.bitmap, source);
    const BitmapFacts thumbnail = describeBitmap(state.thumbnail.bitmap);
    PixelBlock target{};
    downscaleBlock(source, target, uint32_t(thumbnail.width), uint32_t(thumbnail.height));
    freePixelBlock(target);
  });
  freePixelBlock(source);
}

// The command without the allocator's kept block: it is released before each
// run (a new image's pixel block does that), so the thumbnail's copy of the
// image comes fresh from the system every time, as it did before.
void pieceCases(Size size) {
  run("piece/renderCurrentGradient-without-kept-block/Linear_Vertical/" + bench::sizeName(size), LinearVertical,
      size, [](AppState&) {
        freeBlock(allocateZeroedBlock(AllocationSite::PixelBlock, 1));
        renderCurrentGradient();
      });
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) g_wanted.push_back(argv[i]);
  for (const Size size : bench::kSizes) {
    renderCases(size);
    stepCases(size);
    if (size.width > 512) pieceCases(size);
  }
  resizeCases(bench::kSizes[2]);
  return 0;
}
