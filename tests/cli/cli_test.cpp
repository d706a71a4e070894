// shadeloom-render: arguments, exit codes, and no file touched on a failure.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cli/cli_args.h"
#include "cli/render_command.h"
#include "platform/allocation.h"

namespace {

CliParse parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "shadeloom-render");
  return parseArguments(int(arguments.size()), arguments.data());
}

std::string readStream(std::FILE* stream) {
  std::string text;
  std::rewind(stream);
  for (int c; (c = std::fgetc(stream)) != EOF;) text += char(c);
  return text;
}

struct CliResult {
  int code;
  std::string out, err;
};

CliResult runCapturing(std::vector<const char*> arguments, std::FILE* out = nullptr) {
  arguments.insert(arguments.begin(), "shadeloom-render");
  std::FILE* outFile = out ? out : std::tmpfile();
  std::FILE* errFile = std::tmpfile();
  CliResult result{runCli(int(arguments.size()), arguments.data(), outFile, errFile), "", ""};
  if (!out) result.out = readStream(outFile), std::fclose(outFile);
  result.err = readStream(errFile);
  std::fclose(errFile);
  return result;
}

int run(std::vector<const char*> arguments) { return runCapturing(std::move(arguments)).code; }

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
  EXPECT_EQ(fields(parse({"--type", "diagonal rl", "--size=640x480", "--start", "#102030", "--end=F0e0D0",
                          "--frequency", "2.5", "-ox.bmp", "--thumbnail=t.bmp", "--"})),
            std::tuple("", 4, 640, 480, 0x302010u, 0xD0E0F0u, 2.5f, "x.bmp", "t.bmp"))
      << "separate and GNU forms; red is the lowest byte";
  EXPECT_EQ(parse({"--type", "13", "-o", "x"}).request.gradientType, 13);
  EXPECT_EQ(parse({"--size", "2147483647X1", "-o", "x"}).request.width, 2147483647);
  EXPECT_EQ(parse({"--frequency", "1e-40", "-o", "x"}).error, "") << "a tiny positive float is allowed";
  EXPECT_EQ(parse({"--start", "#1e3", "-o", "x"}).request.startColor, 0x33EE11u) << "#RGB doubles";
  EXPECT_EQ(parse({"--output=-", "--", "-o", "x"}).error.find("unexpected argument '-o'"), 0u) << "-- ends options";

  // --format for every output, else each name's extension; BMP for none and "-".
  using F = ImageFormat;
  const std::vector<std::tuple<std::vector<const char*>, F, F>> formats = {
      {{"-o", "a.bmp", "--thumbnail", "t.PNG"}, F::Bmp, F::Png},
      {{"-o", "-", "--thumbnail", "dir.png/t"}, F::Bmp, F::Bmp},
      {{"--format", "PNG", "-o", "-"}, F::Png, F::Png},
      {{"--format=bmp", "-o", "a.png", "--thumbnail", "t.jpg"}, F::Bmp, F::Bmp},
  };
  for (const auto& [arguments, image, thumbnail] : formats) {
    const CliParse p = parse(arguments);
    EXPECT_EQ(std::tuple(p.error, p.request.outputFormat, p.request.thumbnailFormat), std::tuple("", image, thumbnail))
        << arguments[1] << " " << arguments[3];
  }
}

// Arguments after "-o FILE", then what the error must mention; FILE stays.
TEST(CliArguments, BadInputNamesTheOptionAndTheValueAndWritesNothing) {
  const std::string existing = testing::TempDir() + "cli_existing.bmp";
  std::ofstream(existing, std::ios::binary) << "keep me";
  const std::vector<std::vector<const char*>> rows = {  // Cosine: a prefix; 1e39: a finite double, infinite float
      {"--type", "Spiral", "Spiral"},       {"--type", "14", "14"},         {"--type", "Cosine", "Cosine"},
      {"--bogus", "--bogus"},               {"-o", "-o"},                   {"stray.bmp", "stray.bmp"},
      {"--size", "640", "--size"},          {"--size", "10x-3", "10x-3"},   {"--size", "2147483648x1", "2147483648x1"},
      {"--end", "#GG0000", "#GG0000"},      {"--end=#12", "#RRGGBB, RRGGBB or #RGB"},
      {"--frequency", "-2", "-2"},          {"--frequency", "2.5x", "2.5x"}, {"--frequency", "nan", "nan"},
      {"--frequency", "1e39", "1e39"},      {"--list=x", "--list"},         {"-hx", "-h"},
      {"-", "'-'"},                         {"--format", "gif", "bmp or png"},  {"-o", "x.jpg", "bmp or png"},
      {"--output=", "--output"}};
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

// Two outputs landing in one file, however named, are refused before writing.
TEST(CliRun, OutputsNamingOneFileAreRefused) {
  const std::string folder = testing::TempDir(), existing = folder + "cli_same.bmp", fresh = folder + "cli_fresh.bmp";
  std::ofstream(existing, std::ios::binary) << "keep me";
  std::remove(fresh.c_str());
  std::vector<std::pair<std::string, std::string>> rows = {
      {existing, existing}, {existing, folder + "./cli_same.bmp"}, {fresh, folder + "./cli_fresh.bmp"}, {"-", "-"}};
#ifndef _WIN32
  const std::string link = testing::TempDir() + "cli_same_link.bmp";
  std::filesystem::remove(link);
  std::filesystem::create_symlink(existing, link);
  rows.push_back({link, existing});
#endif
  for (const auto& [image, thumbnail] : rows) {
    const CliResult result = runCapturing({"--size", "4x4", "-o", image.c_str(), "--thumbnail", thumbnail.c_str()});
    EXPECT_EQ(result.code, kExitUsage) << image << " and " << thumbnail << ": " << result.err;
    EXPECT_EQ(result.out, "");
  }
  std::FILE* intoExisting = std::fopen(existing.c_str(), "ab");
  EXPECT_EQ(runCapturing({"--size", "4x4", "-o", "-", "--thumbnail", existing.c_str()}, intoExisting).code,
            kExitUsage);
  std::fclose(intoExisting);
  EXPECT_EQ(readFile(existing), "keep me");
  EXPECT_FALSE(std::filesystem::exists(fresh));
#ifndef _WIN32
  std::remove(link.c_str());
#endif
  std::remove(existing.c_str());
}

TEST(CliRun, ExitCodesAndFiles) {
  const std::string image = testing::TempDir() + "cli_image.bmp", thumbnail = testing::TempDir() + "cli_thumb.bmp";
  const std::string missing = testing::TempDir() + "no-such-folder/x.bmp", missingPng = testing::TempDir() + "no-such-folder/x.png";
  for (const auto& [option, what, path] : {std::tuple{"-o", "'", missing}, {"-o", "'", missingPng},
                                           {"--thumbnail", "the thumbnail '", missing}}) {
    const CliResult result = runCapturing(
        {"--size", "4x4", "-o", option[1] == 'o' ? path.c_str() : image.c_str(), option, path.c_str()});
    EXPECT_EQ(result.code, kExitFailure) << path;
    const std::string expected = "shadeloom-render: cannot write " + std::string(what) + path + "': ";
#ifdef _WIN32
    EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
    EXPECT_GT(result.err.size(), expected.size() + 1) << "no reason: " << result.err;  // the platform's own text
#else
    EXPECT_EQ(result.err, expected + "No such file or directory\n");
#endif
  }
  std::remove(image.c_str());  // written before the thumbnail failed
  EXPECT_EQ(run({"--size", "3x700", "-o", image.c_str(), "--thumbnail", thumbnail.c_str()}), kExitFailure)
      << "a thumbnail 0 pixels wide cannot be written";
  EXPECT_EQ(readFile(image), "") << "nothing is written when the thumbnail cannot be";
  for (const std::string& path : {image, thumbnail}) std::remove(path.c_str());
}

// BMP: (2^32 - 55) / 300000 = 14316.5, / 139024 = 30893.6; PNG: 2130706432 /
// 300001 = 7102.3; widths: 3 x W in 31 bits, or 3 x W + 1 in 2130706432.
TEST(CliRun, TooLargeSaysSoAndTheLargestSize) {
  const std::vector<std::pair<std::vector<const char*>, const char*>> rows = {
      {{"--size", "100000x100000", "-o", "x.bmp"}, "at width 100000 the largest is 100000x14316"},
      {{"--size", "100000x100000", "-o", "x.png"}, "at width 100000 the largest is 100000x7102"},
      {{"--size", "800000000x1", "--format=png", "-o", "x.bmp"}, "the largest width is 710235477"},
      {{"--size", "800000000x1", "-o", "x.bmp"}, "the largest width is 715827882"}};
  for (const auto& [arguments, largest] : rows) {
    const CliResult result = runCapturing(arguments);
    EXPECT_EQ(result.code, kExitFailure) << largest;
    EXPECT_NE(result.err.find("too large"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(largest), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
}

TEST(CliRun, FailedRenderWritesNothing) {
  const std::string image = testing::TempDir() + "cli_failed.bmp", thumbnail = testing::TempDir() + "cli_failed_t.bmp";
  const std::vector<std::tuple<AllocationSite, int, const char*, bool>> rows = {
      {AllocationSite::DiagonalTables, 0, "Diagonal RL", true},
      {AllocationSite::PixelBlock, 0, "Radial", false},
      {AllocationSite::DisplayBitmap, 0, "Sine Radial", false},  // the image's display bitmap
      {AllocationSite::DisplayBitmap, 1, "Linear Vertical", true},  // the thumbnail's
      {AllocationSite::DownscaleAccumulator, 0, "Radial", true},  // the thumbnail would be left black
      {AllocationSite::DownscaleSource, 0, "Cosine Vertical", true}};
  for (const auto& [site, skip, type, withThumbnail] : rows) {
    allocation_faults::failAt(site, skip);
    std::vector<const char*> arguments = {"--type", type, "--size", "300x200", "-o", image.c_str()};
    if (withThumbnail) arguments.insert(arguments.end(), {"--thumbnail", thumbnail.c_str()});
    const CliResult result = runCapturing(arguments);
    allocation_faults::clear();
    EXPECT_EQ(result.code, kExitFailure) << type << " " << int(site);
    EXPECT_EQ(result.out, "") << type << " " << int(site);
    EXPECT_FALSE(std::filesystem::exists(image) || std::filesystem::exists(thumbnail)) << type << " " << int(site);
    std::remove(image.c_str());
    std::remove(thumbnail.c_str());
  }
}

// The same bytes as the file; a note only where a frequency is given and the type has no waves.
TEST(CliRun, StandardOutputCarriesTheImageAloneAndTheNotesGoToStandardError) {
  const std::tuple<const char*, const char*, const char*, bool> rows[] = {
      {"bmp", "2x Radial", "--frequency=2", true},
      {"png", "2x Sine Radial", "--frequency=2", false},
      {"bmp", "Radial", "--start=#FFFFFF", false}};
  for (const auto& [format, type, option, noted] : rows) {
    const std::string path = testing::TempDir() + "cli_stdout." + format;
    ASSERT_EQ(runCapturing({"--type", type, option, "--size", "7x5", "-o", path.c_str()}).code, kExitOk);
    const CliResult result = runCapturing({"--type", type, option, "--size", "7x5", "--format", format, "-o", "-"});
    EXPECT_EQ(result.code, kExitOk);
    EXPECT_TRUE(result.out == readFile(path)) << format << ": " << result.out.size() << " bytes";
    EXPECT_EQ(result.err.find("note:") != std::string::npos, noted) << type << ": " << result.err;
    EXPECT_NE(result.err.find("-: 7x5 \"" + std::string(type) + "\"\n"), std::string::npos) << result.err;
    std::remove(path.c_str());
  }
}

// A standard output open only for reading fails each command (the one check on Windows).
TEST(CliRun, FailedWriteOfStandardOutputFails) {
  const std::string path = testing::TempDir() + "cli_readonly", image = testing::TempDir() + "cli_ro.bmp";
  std::ofstream(path) << "";
  for (const auto& arguments : std::vector<std::vector<const char*>>{
           {"--list"}, {"--help"}, {"--version"}, {"--size", "4x4", "-o", "-"}, {"-o", image.c_str()}}) {
    std::FILE* readOnly = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(runCapturing(arguments, readOnly).code, kExitFailure) << arguments[0];
    std::fclose(readOnly);
  }
  std::remove(path.c_str()), std::remove(image.c_str());
}

}  // namespace
