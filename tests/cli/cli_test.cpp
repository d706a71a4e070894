// shadeloom-render: the argument matrix, and that bad input never touches a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/cli_args.h"

namespace {

CliParse parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "shadeloom-render");
  return parseArguments(int(arguments.size()), arguments.data());
}

// Request fields in order: type, width, height, start, end.
std::vector<int64_t> fields(const RenderRequest& r) {
  return {r.gradientType, r.width, r.height, r.startColor, r.endColor};
}

TEST(CliArguments, DefaultsAndValidValues) {
  const CliParse defaults = parse({"-o", "out.bmp"});
  ASSERT_EQ(defaults.error, "");
  EXPECT_EQ(fields(defaults.request), (std::vector<int64_t>{0, 512, 512, 0xFFFFFF, 0}));
  EXPECT_EQ(defaults.request.frequency, 1.0f);
  EXPECT_EQ(defaults.request.outputPath, "out.bmp");
  const CliParse p = parse({"--type", "diagonal rl", "--size", "640x480", "--start", "#102030", "--end", "F0e0D0",
                            "--frequency", "2.5", "-o", "x.bmp", "--thumbnail", "t.bmp"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(fields(p.request), (std::vector<int64_t>{4, 640, 480, 0x302010, 0xD0E0F0})) << "red is the lowest byte";
  EXPECT_EQ(p.request.frequency, 2.5f);
  EXPECT_EQ(p.request.thumbnailPath, "t.bmp");
  EXPECT_EQ(parse({"--type", "13", "-o", "x"}).request.gradientType, 13);
  EXPECT_EQ(parse({"--size", "2147483647X1", "-o", "x"}).request.width, 2147483647);
  EXPECT_EQ(parse({"--frequency", "1e-40", "-o", "x"}).error, "") << "a tiny positive float is allowed";
}

// Each row is the arguments, then what the error must mention; the first
// table's rows are given with "-o x" added.
TEST(CliArguments, BadInputNamesTheOptionAndTheValue) {
  const std::vector<std::vector<const char*>> withOutput = {
      {"--type", "Spiral", "Spiral"},     {"--type", "14", "14"},              {"--type", "-1", "-1"},
      {"--size", "640", "--size"},        {"--size", "0x10", "0x10"},          {"--size", "10x-3", "10x-3"},
      {"--size", "2147483648x1", "2147483648x1"}, {"--size", "99999999999999999999x1", "--size"},
      {"--size", "10x10x10", "10x10x10"}, {"--size", " 10x10", "--size"},      {"--start", "#12345", "#12345"},
      {"--end", "#GG0000", "#GG0000"},    {"--frequency", "0", "--frequency"}, {"--frequency", "-2", "-2"},
      {"--frequency", "abc", "abc"},      {"--frequency", "2.5x", "2.5x"},     {"--frequency", "inf", "inf"},
      {"--frequency", "nan", "nan"},      {"--frequency", "1e39", "1e39"},  // finite double, infinite float
      {"--frequency", "", "--frequency"}, {"--bogus", "--bogus"}};
  const std::vector<std::vector<const char*>> bare = {
      {"-o", "-o"}, {"--type", "Radial", "-o"}, {"stray.bmp", "stray.bmp"}};
  for (bool addOutput : {true, false}) {
    for (const auto& c : addOutput ? withOutput : bare) {
      std::vector<const char*> arguments(c.begin(), c.end() - 1);
      if (addOutput) arguments.insert(arguments.end(), {"-o", "x"});
      const std::string error = parse(arguments).error;
      EXPECT_NE(error.find(c.back()), std::string::npos) << "error \"" << error << "\" should mention " << c.back();
    }
  }
}

std::string temporaryPath(const char* name) { return testing::TempDir() + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int run(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "shadeloom-render");
  std::FILE* sink = std::tmpfile();
  const int code = runCli(int(arguments.size()), arguments.data(), sink, sink);
  if (sink) std::fclose(sink);
  return code;
}

TEST(CliRun, ExitCodesAndFiles) {
  const std::string existing = temporaryPath("cli_existing.bmp"), image = temporaryPath("cli_image.bmp"),
                    thumbnail = temporaryPath("cli_thumb.bmp");
  { std::ofstream(existing, std::ios::binary) << "keep me"; }
  EXPECT_EQ(run({"--size", "0x5", "-o", existing.c_str()}), kExitUsage);
  EXPECT_EQ(run({"--frequency", "nan", "-o", existing.c_str()}), kExitUsage);
  EXPECT_EQ(readFile(existing), "keep me") << "bad input leaves an existing file alone";

  EXPECT_EQ(run({"--size", "4x4", "-o", temporaryPath("no-such-folder/x.bmp").c_str()}), kExitFailure);
  EXPECT_EQ(run({"--size", "46341x46341", "-o", image.c_str()}), kExitFailure);
  EXPECT_EQ(run({"--size", "3x700", "-o", image.c_str(), "--thumbnail", thumbnail.c_str()}), kExitFailure)
      << "a thumbnail 0 pixels wide cannot be written";
  EXPECT_EQ(readFile(image), "") << "nothing is written when the thumbnail cannot be";

  ASSERT_EQ(run({"--type", "2x Cosine Radial", "--size", "640x480", "-o", image.c_str(), "--thumbnail",
                 thumbnail.c_str()}),
            kExitOk);
  EXPECT_EQ(readFile(image).size(), 54u + 640 * 3 * 480);
  EXPECT_EQ(readFile(thumbnail).size(), 54u + 536 * 133) << "178 x 133, rows of 534 bytes padded to 536";
  for (const std::string& path : {existing, image, thumbnail}) std::remove(path.c_str());
}

}  // namespace
