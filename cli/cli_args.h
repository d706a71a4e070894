// The command line of shadeloom-render: parsing into the settings of one
// render, and running it through the program's own state and pipeline.
#pragma once

#include <cstdint>
#include <string>

#include "app/app_state.h"

enum class CliAction { Render, List, Help, Version };

enum class ImageFormat { Bmp, Png };

// The output name that means standard output.
constexpr char kStandardOutput[] = "-";

struct RenderRequest {
  int32_t gradientType = 0;
  int32_t width = kDefaultImageSize;
  int32_t height = kDefaultImageSize;
  uint32_t startColor = kDefaultStartColor;  // COLORREF layout: red in the lowest byte
  uint32_t endColor = kDefaultEndColor;
  float frequency = kDefaultFrequency;
  bool frequencyGiven = false;  // for the note that a type without waves ignores it
  std::string outputPath;
  std::string thumbnailPath;  // empty: no thumbnail file
  // From --format, else from each file's extension; BMP for no extension and "-".
  ImageFormat outputFormat = ImageFormat::Bmp;
  ImageFormat thumbnailFormat = ImageFormat::Bmp;
};

struct CliParse {
  CliAction action = CliAction::Render;
  RenderRequest request;
  std::string error;  // one line naming the option and the value; empty when valid
};

CliParse parseArguments(int argc, const char* const* argv);

// Exit codes: 0 done, 1 the image could not be made or written, 2 bad input.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
