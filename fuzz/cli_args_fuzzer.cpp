// shadeloom-render's argument parser over any command line: the input is split
// at NUL bytes into arguments. Checked: a command line is either refused with
// an error, or gives a request that can be rendered as it stands (a known
// type, both sides positive, a finite frequency above 0, an output file, and
// a known format for each output that its name or --format gives); --help,
// --list and --version are never errors.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "fuzz_input.h"
#include "gradient/catalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;  // longer lines find nothing new, only run slower
  std::vector<std::string> arguments{"shadeloom-render"};
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += char(data[i]);
    }
  }
  if (size) arguments.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);

  const CliParse parse = parseArguments(int(arguments.size()), argv.data());
  if (parse.action != CliAction::Render) {
    FUZZ_CHECK(parse.error.empty(), "action %d with error \"%s\"", int(parse.action), parse.error.c_str());
    return 0;
  }
  if (!parse.error.empty()) return 0;
  const RenderRequest& r = parse.request;
  FUZZ_CHECK(gradientInfo(r.gradientType) != nullptr, "accepted type %d", r.gradientType);
  FUZZ_CHECK(r.width > 0 && r.height > 0, "accepted size %dx%d", r.width, r.height);
  FUZZ_CHECK(std::isfinite(r.frequency) && r.frequency > 0.0f, "accepted frequency %g", double(r.frequency));
  FUZZ_CHECK(r.startColor <= 0xFFFFFF && r.endColor <= 0xFFFFFF, "accepted colours %06x %06x", r.startColor,
             r.endColor);
  FUZZ_CHECK(!r.outputPath.empty(), "accepted a render without an output file");
  for (ImageFormat format : {r.outputFormat, r.thumbnailFormat})
    FUZZ_CHECK(format == ImageFormat::Bmp || format == ImageFormat::Png, "accepted format %d", int(format));
  return 0;
}
