// shadeloom-render: the argument matrix, exit codes, and that bad input never touches a file.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/cli_args.h"

namespace {

CliParse parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "shadeloom-render");
  return parseArguments(int(arguments.size()), arguments.data());
}

// Runs the command line; what it prints goes to `printed` when given.
int run(std::vector<const char*> arguments, std::string* printed = nullptr) {
  arguments.insert(arguments.begin(), "shadeloom-render");
  std::FILE* sink = std::tmpfile();
  const int code = runCli(int(arguments.size()), arguments.data(), sink, sink);
  if (sink && printed) {
    std::rewind(sink);
    printed->clear();
    for (int c; (c = std::fgetc(sink)) != EOF;) printed->push_back(char(c));
  }
  if (sink) std::fclose(sink);
  return code;
}

std::string readFile(const std::string& path) {
  return std::string(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

TEST(CliArguments, DefaultsAndValidValues) {
  auto fields = [](const CliParse& p) {
    const RenderRequest& r = p.request;
    return std::tuple(p.error, r.gradientType, r.width, r.height, r.startColor, r.endColor, r.frequency, r.outputPath,
                      r.thumbnailPath);
  };
  EXPECT_EQ(fields(parse({"-o", "out.bmp"})), std::tuple("", 0, 512, 512, 0xFFFFFFu, 0u, 1.0f, "out.bmp", ""));
  EXPECT_EQ(fields(parse({"--type", "diagonal rl", "--size", "640x480", "--start", "#102030", "--end", "F0e0D0",
                          "--frequency", "2.5", "-o", "x.bmp", "--thumbnail", "t.bmp"})),
            std::tuple("", 4, 640, 480, 0x302010u, 0xD0E0F0u, 2.5f, "x.bmp", "t.bmp"))
      << "red is the lowest byte";
  EXPECT_EQ(parse({"--type", "13", "-o", "x"}).request.gradientType, 13);
  EXPECT_EQ(parse({"--size", "2147483647X1", "-o", "x"}).request.width, 2147483647);
  EXPECT_EQ(parse({"--frequency", "1e-40", "-o", "x"}).error, "") << "a tiny positive float is allowed";
}

// Each row is the arguments (given after "-o FILE"), then what the error must
// mention. Each run exits with the usage code and leaves FILE as it was.
TEST(CliArguments, BadInputNamesTheOptionAndTheValueAndWritesNothing) {
  const std::string existing = testing::TempDir() + "cli_existing.bmp";
  std::ofstream(existing, std::ios::binary) << "keep me";
  const std::vector<std::vector<const char*>> rows = {
      {"--type", "Spiral", "Spiral"},     {"--type", "14", "14"},              {"--type", "-1", "-1"},
      {"--type", "Cosine", "Cosine"},     {"--bogus", "--bogus"},              {"-o", "-o"},  // Cosine: a prefix
      {"stray.bmp", "stray.bmp"},         {"--size", "640", "--size"},         {"--size", "0x10", "0x10"},
      {"--size", "10x-3", "10x-3"},       {"--size", "10x10x10", "10x10x10"},  {"--size", " 10x10", "--size"},
      {"--size", "2147483648x1", "2147483648x1"}, {"--size", "99999999999999999999x1", "--size"},
      {"--start", "#12345", "#12345"},    {"--end", "#GG0000", "#GG0000"},     {"--frequency", "0", "--frequency"},
      {"--frequency", "-2", "-2"},        {"--frequency", "abc", "abc"},       {"--frequency", "2.5x", "2.5x"},
      {"--frequency", "inf", "inf"},      {"--frequency", "nan", "nan"},       {"--frequency", "", "--frequency"},
      {"--frequency", "1e39", "1e39"}};  // finite double, infinite float
  for (const auto& row : rows) {
    std::vector<const char*> arguments = {"-o", existing.c_str()};
    arguments.insert(arguments.end(), row.begin(), row.end() - 1);
    const std::string error = parse(arguments).error;
    EXPECT_NE(error.find(row.back()), std::string::npos) << "error \"" << error << "\" should mention " << row.back();
    EXPECT_EQ(run(arguments), kExitUsage) << row.back();
  }
  EXPECT_EQ(readFile(existing), "keep me");
  EXPECT_NE(parse({"--type", "Radial"}).error.find("-o"), std::string::npos) << "no output file";
  EXPECT_EQ(run({"--type", "Radial"}), kExitUsage);
  std::remove(existing.c_str());
}

TEST(CliRun, ExitCodesAndFiles) {
  const std::string image = testing::TempDir() + "cli_image.bmp", thumbnail = testing::TempDir() + "cli_thumb.bmp";
  const std::string missing = testing::TempDir() + "no-such-folder/x.bmp";
  // A file that cannot be written is named with the system's reason.
  for (const auto& [option, what] : {std::pair{"-o", "'"}, {"--thumbnail", "the thumbnail '"}}) {
    std::string printed;
    EXPECT_EQ(run({"--size", "4x4", "-o", option[1] == 'o' ? missing.c_str() : image.c_str(), option, missing.c_str()},
                  &printed),
              kExitFailure);
    const std::string expected = "shadeloom-render: cannot write " + std::string(what) + missing + "': ";
#ifdef _WIN32
    EXPECT_EQ(printed.rfind(expected, 0), 0u) << printed;
    EXPECT_GT(printed.size(), expected.size() + 1) << "no reason: " << printed;  // the platform's own text
#else
    EXPECT_EQ(printed, expected + "No such file or directory\n");
#endif
  }
  std::remove(image.c_str());  // written before the thumbnail failed
  EXPECT_EQ(run({"--size", "46341x46341", "-o", image.c_str()}), kExitFailure);
  EXPECT_EQ(run({"--size", "3x700", "-o", image.c_str(), "--thumbnail", thumbnail.c_str()}), kExitFailure)
      << "a thumbnail 0 pixels wide cannot be written";
  EXPECT_EQ(readFile(image), "") << "nothing is written when the thumbnail cannot be";
  ASSERT_EQ(run({"--type", "2x Cosine Radial", "--size", "640x480", "-o", image.c_str(), "--thumbnail",
                 thumbnail.c_str()}),
            kExitOk);
  EXPECT_EQ(readFile(image).size(), 54u + 640 * 3 * 480);
  EXPECT_EQ(readFile(thumbnail).size(), 54u + 536 * 133) << "178 x 133, rows of 534 bytes padded to 536";
  for (const std::string& path : {image, thumbnail}) std::remove(path.c_str());
}

}  // namespace
