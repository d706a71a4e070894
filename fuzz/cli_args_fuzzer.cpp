// The argument parser over any command line (split at NUL bytes): an error, or a request renderable as it stands.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "fuzz_input.h"
#include "gradient/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;  // longer lines find nothing new, only run slower
  std::vector<std::string> arguments{"shadeloom-render", ""};
  for (size_t i = 0; i < size; ++i) data[i] ? void(arguments.back() += char(data[i])) : void(arguments.emplace_back());
  if (!size) arguments.pop_back();
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  const CliParse parse = parseArguments(int(arguments.size()), argv.data());
  if (parse.action != CliAction::Render) {  // --help, --list, --version
    FUZZ_CHECK(parse.error.empty(), "action %d with error \"%s\"", int(parse.action), parse.error.c_str());
    return 0;
  }
  if (!parse.error.empty()) return 0;
  const RenderRequest& r = parse.request;
  FUZZ_CHECK(gradientInfo(r.gradientType) != nullptr, "accepted type %d", r.gradientType);
  FUZZ_CHECK(r.width > 0 && r.height > 0, "accepted size %dx%d", r.width, r.height);
  FUZZ_CHECK(std::isfinite(r.frequency) && r.frequency > 0.0f, "accepted frequency %g", double(r.frequency));
  FUZZ_CHECK(r.startColor <= 0xFFFFFF && r.endColor <= 0xFFFFFF, "colours %06x %06x", r.startColor, r.endColor);
  FUZZ_CHECK(!r.outputPath.empty(), "accepted a render without an output file");
  for (ImageFormat format : {r.outputFormat, r.thumbnailFormat})
    FUZZ_CHECK(format == ImageFormat::Bmp || format == ImageFormat::Png, "accepted format %d", int(format));
  return 0;
}
