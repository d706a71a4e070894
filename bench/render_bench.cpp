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

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "gradient/linear_kernels.h"
#include "gradient/radial_kernels.h"
#include "gradient/render_dispatch.h"
#include "gradient/wave_kernels.h"
#include "image/bmp_writer.h"

namespace {

struct Size {
  int32_t width;
  int32_t height;
};
const Size kSizes[] = {{512, 512}, {1920, 1080}, {4096, 4096}};

// Asymmetric colours and a frequency above 1, so no channel is trivially flat.
constexpr uint32_t kStartColor = 0x00C04020;
constexpr uint32_t kEndColor = 0x0010E0F0;
constexpr float kFrequency = 3.0f;

// The pixel kernel of each type, in catalogue order, without the bitmap rebuild.
void fillKernel(int32_t type, const PixelTarget& target, const GradientColors& colors) {
  switch (type) {
    case LinearVertical: fillLinearVertical(target, colors); break;
    case LinearHorizontal: fillLinearHorizontal(target, colors); break;
    case Radial: fillRadial(target, colors, false); break;
    case DiagonalLR: fillDiagonal(target, colors, 0); break;
    case DiagonalRL: fillDiagonal(target, colors, 1); break;
    case SineVertical: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Vertical); break;
    case CosineVertical: fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Vertical); break;
    case SineHorizontal: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Horizontal); break;
    case CosineHorizontal:
      fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Horizontal);
      break;
    case SineRadial: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Radial); break;
    case CosineRadial: fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Radial); break;
    case Radial2x: fillRadial(target, colors, true); break;
    case SineRadial2x: fillWave(target, colors, kFrequency, WaveFunction::Sine, WaveShape::Radial2x); break;
    case CosineRadial2x:
      fillWave(target, colors, kFrequency, WaveFunction::Cosine, WaveShape::Radial2x);
      break;
    default: break;
  }
}

// The application state of one case, with its image made and rendered once
// (so every measured command runs warm, as after the first dialog command).
class BenchState {
 public:
  BenchState(int32_t type, Size size) {
    g_state = &state_;
    state_.width = size.width;
    state_.height = size.height;
    state_.startColor = kStartColor;
    state_.endColor = kEndColor;
    state_.frequency = kFrequency;
    state_.gradientType = type;
    ok_ = resizeImage() == 1;
  }
  ~BenchState() { g_state = nullptr; }
  bool ok() const { return ok_; }
  AppState& state() { return state_; }

 private:
  AppState state_;
  bool ok_;
};

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

std::string sizeName(Size size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

std::string typeName(int32_t type) {
  std::string name = gradientInfo(type)->displayName;
  for (char& c : name)
    if (c == ' ') c = '_';
  return name;
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
