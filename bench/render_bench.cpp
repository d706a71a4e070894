// Speed of what a dialog command costs: every gradient type at three sizes,
// from the bare pixel kernel up to the whole renderCurrentGradient and a new
// image, plus saving and a plain memcpy of the image's bytes as the floor.
// Each case reports time and megapixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_state.h"
#include "gradient/render_dispatch.h"
#include "image/bmp_writer.h"

namespace {

using bench::BenchState;
using bench::fillKernel;
using bench::kEndColor;
using bench::kSizes;
using bench::kStartColor;
using bench::Size;
using bench::sizeName;
using bench::typeName;

void setRate(benchmark::State& run, Size size) {
  run.counters["MP/s"] = benchmark::Counter(double(size.width) * double(size.height) / 1e6,
                                            benchmark::Counter::kIsIterationInvariantRate);
}

void benchKernel(benchmark::State& run, int32_t type, Size size) {
  BenchState bench(type, size);
  if (!bench.ok()) return run.SkipWithError("no image");
  ImageBuffer& image = bench.state().image;
  const PixelTarget target{image.pixels, uint32_t(image.width), uint32_t(image.height)};
  const GradientColors colors = colorsFrom(kStartColor, kEndColor);
  for (auto _ : run) {
    fillKernel(type, target, colors);
    benchmark::DoNotOptimize(image.pixels);
    benchmark::ClobberMemory();
  }
  setRate(run, size);
}

void benchRenderAndBitmap(benchmark::State& run, int32_t type, Size size) {
  BenchState bench(type, size);
  if (!bench.ok()) return run.SkipWithError("no image");
  for (auto _ : run) benchmark::DoNotOptimize(gradientInfo(type)->render());
  setRate(run, size);
}

void benchRenderCurrentGradient(benchmark::State& run, int32_t type, Size size) {
  BenchState bench(type, size);
  if (!bench.ok()) return run.SkipWithError("no image");
  for (auto _ : run) {
    renderCurrentGradient();
    benchmark::ClobberMemory();
  }
  setRate(run, size);
}

void benchResizeImage(benchmark::State& run, int32_t type, Size size) {
  BenchState bench(type, size);
  if (!bench.ok()) return run.SkipWithError("no image");
  for (auto _ : run) benchmark::DoNotOptimize(resizeImage());
  setRate(run, size);
}

std::string scratchPath() {
  const char* directory = std::getenv("TMPDIR");
  return std::string(directory && *directory ? directory : "/tmp") + "/shadeloom-bench.bmp";
}

// Saving does not depend on the type: one case a size.
void benchWriteBmp(benchmark::State& run, Size size) {
  BenchState bench(LinearVertical, size);
  if (!bench.ok()) return run.SkipWithError("no image");
  const std::string path = scratchPath();
  for (auto _ : run) {
    if (!writeBmpFile(path.c_str(), bench.state().image.bitmap)) return run.SkipWithError("write failed");
  }
  std::remove(path.c_str());
  setRate(run, size);
}

// The floor: copying the image's bytes once, between two blocks touched before.
void benchMemcpy(benchmark::State& run, Size size) {
  const size_t bytes = size_t(size.width) * size_t(size.height) * 3;
  std::vector<uint8_t> from(bytes, 1), to(bytes, 2);
  for (auto _ : run) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  setRate(run, size);
}

// Short runs: large images take whole iterations of tens of milliseconds.
benchmark::internal::Benchmark* configure(benchmark::internal::Benchmark* bench, Size size) {
  const bool large = int64_t(size.width) * size.height > 4'000'000;
  return bench->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(large ? 0.5 : 0.2);
}

void registerAll() {
  for (const Size size : kSizes) {
    const std::string suffix = "/" + sizeName(size);
    configure(benchmark::RegisterBenchmark(("memcpy" + suffix).c_str(), benchMemcpy, size), size);
    configure(benchmark::RegisterBenchmark(("writeBmpFile" + suffix).c_str(), benchWriteBmp, size), size);
    for (int32_t type = 0; type < kGradientTypeCount; ++type) {
      const std::string name = "/" + typeName(type) + suffix;
      configure(benchmark::RegisterBenchmark(("kernel" + name).c_str(), benchKernel, type, size), size);
      configure(benchmark::RegisterBenchmark(("render+bitmap" + name).c_str(), benchRenderAndBitmap, type, size),
                size);
      configure(benchmark::RegisterBenchmark(("renderCurrentGradient" + name).c_str(), benchRenderCurrentGradient,
                                             type, size),
                size);
      configure(benchmark::RegisterBenchmark(("resizeImage" + name).c_str(), benchResizeImage, type, size), size);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
