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

TEST(CliArguments, DefaultsAreTheProgramsDefaults) {
  const CliParse p = parse({"-o", "out.bmp"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.request.gradientType, 0);
  EXPECT_EQ(p.request.width, 512);
  EXPECT_EQ(p.request.height, 512);
  EXPECT_EQ(p.request.startColor, 0xFFFFFFu);
  EXPECT_EQ(p.request.endColor, 0u);
  EXPECT_EQ(p.request.frequency, 1.0f);
  EXPECT_EQ(p.request.outputPath, "out.bmp");
}

TEST(CliArguments, ValidValues) {
  const CliParse p = parse({"--type", "diagonal rl", "--size", "640x480", "--start", "#102030", "--end", "F0e0D0",
                            "--frequency", "2.5", "-o", "x.bmp", "--thumbnail", "t.bmp"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.request.gradientType, 4);
  EXPECT_EQ(p.request.width, 640);
  EXPECT_EQ(p.request.height, 480);
  EXPECT_EQ(p.request.startColor, 0x302010u) << "red is the lowest byte";
  EXPECT_EQ(p.request.endColor, 0xD0E0F0u);
  EXPECT_EQ(p.request.frequency, 2.5f);
  EXPECT_EQ(p.request.thumbnailPath, "t.bmp");
  EXPECT_EQ(parse({"--type", "13", "-o", "x"}).request.gradientType, 13);
  EXPECT_EQ(parse({"--size", "2147483647X1", "-o", "x"}).request.width, 2147483647);
  EXPECT_EQ(parse({"--frequency", "1e-40", "-o", "x"}).error, "") << "a tiny positive float is allowed";
}

TEST(CliArguments, BadInputNamesTheOptionAndTheValue) {
  const struct {
    std::vector<const char*> arguments;
    const char* mentions;
  } cases[] = {
      {{"--type", "Spiral", "-o", "x"}, "Spiral"},
      {{"--type", "14", "-o", "x"}, "14"},
      {{"--type", "-1", "-o", "x"}, "-1"},
      {{"--size", "640", "-o", "x"}, "--size"},
      {{"--size", "0x10", "-o", "x"}, "0x10"},
      {{"--size", "10x-3", "-o", "x"}, "10x-3"},
      {{"--size", "2147483648x1", "-o", "x"}, "2147483648x1"},
      {{"--size", "99999999999999999999x1", "-o", "x"}, "--size"},
      {{"--size", "10x10x10", "-o", "x"}, "10x10x10"},
      {{"--size", " 10x10", "-o", "x"}, "--size"},
      {{"--start", "#12345", "-o", "x"}, "#12345"},
      {{"--end", "#GG0000", "-o", "x"}, "#GG0000"},
      {{"--frequency", "0", "-o", "x"}, "--frequency"},
      {{"--frequency", "-2", "-o", "x"}, "-2"},
      {{"--frequency", "abc", "-o", "x"}, "abc"},
      {{"--frequency", "2.5x", "-o", "x"}, "2.5x"},
      {{"--frequency", "inf", "-o", "x"}, "inf"},
      {{"--frequency", "nan", "-o", "x"}, "nan"},
      {{"--frequency", "1e39", "-o", "x"}, "1e39"},  // finite double, infinite float
      {{"--frequency", "", "-o", "x"}, "--frequency"},
      {{"--bogus", "-o", "x"}, "--bogus"},
      {{"-o"}, "-o"},
      {{"--type", "Radial"}, "-o"},
      {{"stray.bmp"}, "stray.bmp"},
  };
  for (const auto& c : cases) {
    const CliParse p = parse(c.arguments);
    EXPECT_NE(p.error, "") << c.mentions;
    EXPECT_NE(p.error.find(c.mentions), std::string::npos) << "error: " << p.error;
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

TEST(CliRun, BadInputExitsWith2AndLeavesAnExistingFileAlone) {
  const std::string path = temporaryPath("cli_existing.bmp");
  { std::ofstream(path, std::ios::binary) << "keep me"; }
  EXPECT_EQ(run({"--size", "0x5", "-o", path.c_str()}), kExitUsage);
  EXPECT_EQ(run({"--frequency", "nan", "-o", path.c_str()}), kExitUsage);
  EXPECT_EQ(readFile(path), "keep me");
  std::remove(path.c_str());
}

TEST(CliRun, WritesTheImageAndTheThumbnail) {
  const std::string image = temporaryPath("cli_image.bmp");
  const std::string thumbnail = temporaryPath("cli_thumb.bmp");
  ASSERT_EQ(run({"--type", "2x Cosine Radial", "--size", "640x480", "-o", image.c_str(), "--thumbnail",
                 thumbnail.c_str()}),
            kExitOk);
  const std::string imageBytes = readFile(image);
  const std::string thumbnailBytes = readFile(thumbnail);
  EXPECT_EQ(imageBytes.size(), 54u + 640 * 3 * 480);
  EXPECT_EQ(thumbnailBytes.size(), 54u + 536 * 133) << "178 x 133, rows of 534 bytes padded to 536";
  std::remove(image.c_str());
  std::remove(thumbnail.c_str());
}

TEST(CliRun, FailuresExitWith1) {
  const std::string missingFolder = temporaryPath("no-such-folder/x.bmp");
  EXPECT_EQ(run({"--size", "4x4", "-o", missingFolder.c_str()}), kExitFailure);
  const std::string path = temporaryPath("cli_huge.bmp");
  EXPECT_EQ(run({"--size", "46341x46341", "-o", path.c_str()}), kExitFailure);
  const std::string thumbnail = temporaryPath("cli_thumb0.bmp");
  EXPECT_EQ(run({"--size", "3x700", "-o", path.c_str(), "--thumbnail", thumbnail.c_str()}), kExitFailure)
      << "a thumbnail 0 pixels wide cannot be written";
  EXPECT_EQ(readFile(path), "") << "nothing is written when the thumbnail cannot be";
}

}  // namespace
