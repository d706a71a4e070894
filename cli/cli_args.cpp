#include "cli_args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gradient/catalogue.h"

namespace {

bool parseInt32(const char* text, int32_t& value) {
  if (!*text || std::isspace(static_cast<unsigned char>(*text))) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (*end != '\0' || errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = int32_t(parsed);
  return true;
}

bool parseType(const char* text, int32_t& type) {
  int32_t index;
  if (parseInt32(text, index)) {
    if (index < 0 || index >= kGradientTypeCount) return false;
    type = index;
    return true;
  }
  type = gradientTypeByName(text);
  return type >= 0;
}

bool parseSize(const char* text, int32_t& width, int32_t& height) {
  const char* separator = std::strpbrk(text, "xX");
  if (!separator) return false;
  const std::string widthText(text, separator);
  if (!parseInt32(widthText.c_str(), width) || !parseInt32(separator + 1, height)) return false;
  return width > 0 && height > 0;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" (the '#' may be left out) into the COLORREF layout.
bool parseColor(const char* text, uint32_t& color) {
  if (*text == '#') ++text;
  if (std::strlen(text) != 6) return false;
  uint32_t rgb[3];
  for (int channel = 0; channel < 3; ++channel) {
    const int high = hexDigit(text[2 * channel]);
    const int low = hexDigit(text[2 * channel + 1]);
    if (high < 0 || low < 0) return false;
    rgb[channel] = uint32_t(high * 16 + low);
  }
  color = rgb[0] | (rgb[1] << 8) | (rgb[2] << 16);
  return true;
}

bool parseFrequency(const char* text, float& frequency) {
  if (!*text || std::isspace(static_cast<unsigned char>(*text))) return false;
  char* end = nullptr;
  const double parsed = std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(parsed)) return false;
  const float single = float(parsed);
  if (!std::isfinite(single) || !(single > 0.0f)) return false;
  frequency = single;
  return true;
}

std::string invalid(const char* option, const char* value, const char* expected) {
  return std::string("invalid value '") + value + "' for " + option + ": expected " + expected;
}

}  // namespace

CliParse parseArguments(int argc, const char* const* argv) {
  CliParse parse;
  RenderRequest& request = parse.request;
  for (int i = 1; i < argc; ++i) {
    const char* option = argv[i];
    if (!std::strcmp(option, "--help") || !std::strcmp(option, "-h")) {
      parse.action = CliAction::Help;
      return parse;
    }
    if (!std::strcmp(option, "--version")) {
      parse.action = CliAction::Version;
      return parse;
    }
    if (!std::strcmp(option, "--list")) {
      parse.action = CliAction::List;
      return parse;
    }
    const bool takesValue = !std::strcmp(option, "--type") || !std::strcmp(option, "--size") ||
                            !std::strcmp(option, "--start") || !std::strcmp(option, "--end") ||
                            !std::strcmp(option, "--frequency") || !std::strcmp(option, "-o") ||
                            !std::strcmp(option, "--output") || !std::strcmp(option, "--thumbnail");
    if (!takesValue) {
      parse.error = std::string("unknown option '") + option + "' (try --help)";
      return parse;
    }
    if (i + 1 >= argc) {
      parse.error = std::string("option ") + option + " needs a value";
      return parse;
    }
    const char* value = argv[++i];
    if (!std::strcmp(option, "--type")) {
      if (!parseType(value, request.gradientType))
        parse.error = invalid(option, value, "a type name or an index 0 to 13 (see --list)");
    } else if (!std::strcmp(option, "--size")) {
      if (!parseSize(value, request.width, request.height))
        parse.error = invalid(option, value, "WIDTHxHEIGHT, each 1 to 2147483647");
    } else if (!std::strcmp(option, "--start")) {
      if (!parseColor(value, request.startColor)) parse.error = invalid(option, value, "#RRGGBB");
    } else if (!std::strcmp(option, "--end")) {
      if (!parseColor(value, request.endColor)) parse.error = invalid(option, value, "#RRGGBB");
    } else if (!std::strcmp(option, "--frequency")) {
      if (!parseFrequency(value, request.frequency))
        parse.error = invalid(option, value, "a finite number greater than 0");
    } else if (!std::strcmp(option, "--thumbnail")) {
      if (!*value) parse.error = invalid(option, value, "a file name");
      request.thumbnailPath = value;
    } else {
      if (!*value) parse.error = invalid(option, value, "a file name");
      request.outputPath = value;
    }
    if (!parse.error.empty()) return parse;
  }
  if (request.outputPath.empty()) parse.error = "no output file: give -o FILE.bmp";
  return parse;
}
