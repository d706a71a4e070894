#include "cli_args.h"

#include <cctype>
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

// "#RRGGBB" (the '#' may be left out) or "#RGB" (each digit doubled, as in
// CSS) into the COLORREF layout.
bool parseColor(const char* text, uint32_t& color) {
  const bool hash = *text == '#';
  if (hash) ++text;
  const size_t length = std::strlen(text);
  const size_t digits = length == 6 ? 2 : length == 3 && hash ? 1 : 0;
  if (!digits) return false;
  uint32_t value = 0;
  for (size_t channel = 0; channel < 3; ++channel) {
    const int high = hexDigit(text[digits * channel]);
    const int low = hexDigit(text[digits * channel + digits - 1]);
    if (high < 0 || low < 0) return false;
    value |= uint32_t(high * 16 + low) << (8 * channel);
  }
  color = value;
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

constexpr char kFormatNames[] = "bmp or png";

// The ImageFormat of a format name (any case), or -1.
int formatNamed(const char* name) {
  std::string lower = name;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return lower == "bmp" ? int(ImageFormat::Bmp) : lower == "png" ? int(ImageFormat::Png) : -1;
}

// The format an output's name asks for: its extension, any case. A name
// without one, and standard output, get BMP. False for any other extension.
bool formatOfPath(const std::string& path, ImageFormat& format) {
  const size_t dot = path.find_last_of('.');
  const size_t separator = path.find_last_of("/\\");
  if (path == kStandardOutput || dot == std::string::npos || (separator != std::string::npos && dot < separator)) {
    format = ImageFormat::Bmp;
    return true;
  }
  const int named = formatNamed(path.c_str() + dot + 1);
  if (named < 0) return false;
  format = ImageFormat(named);
  return true;
}

std::string unknownExtension(const std::string& path) {
  return "cannot tell the format of '" + path + "' from its extension: name it .bmp or .png, or give --format " +
         kFormatNames;
}

enum class OptionId { None, Type, Size, Start, End, Frequency, Format, Output, Thumbnail };

struct CliOption {
  const char* name;
  bool takesValue;
  OptionId id;
  CliAction action;  // of the options without a value
};

const CliOption kOptions[] = {
    {"--type", true, OptionId::Type, CliAction::Render},
    {"--size", true, OptionId::Size, CliAction::Render},
    {"--start", true, OptionId::Start, CliAction::Render},
    {"--end", true, OptionId::End, CliAction::Render},
    {"--frequency", true, OptionId::Frequency, CliAction::Render},
    {"--format", true, OptionId::Format, CliAction::Render},
    {"-o", true, OptionId::Output, CliAction::Render},
    {"--output", true, OptionId::Output, CliAction::Render},
    {"--thumbnail", true, OptionId::Thumbnail, CliAction::Render},
    {"--list", false, OptionId::None, CliAction::List},
    {"-h", false, OptionId::None, CliAction::Help},
    {"--help", false, OptionId::None, CliAction::Help},
    {"--version", false, OptionId::None, CliAction::Version},
};

const CliOption* findOption(const char* name) {
  for (const CliOption& option : kOptions)
    if (!std::strcmp(option.name, name)) return &option;
  return nullptr;
}

std::string invalid(const char* option, const char* value, const char* expected) {
  return std::string("invalid value '") + value + "' for " + option + ": expected " + expected;
}

}  // namespace

CliParse parseArguments(int argc, const char* const* argv) {
  CliParse parse;
  RenderRequest& request = parse.request;
  const char* format = nullptr;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (optionsEnded || argument[0] != '-' || !std::strcmp(argument, "-")) {
      parse.error = std::string("unexpected argument '") + argument + "' (try --help)";
      return parse;
    }
    if (!std::strcmp(argument, "--")) {
      optionsEnded = true;
      continue;
    }
    // GNU forms: "--name=value" and "-oVALUE" carry their value inline.
    std::string name = argument;
    const char* inlineValue = nullptr;
    if (const char* equals = std::strchr(argument, '='); argument[1] == '-' && equals) {
      name.assign(argument, equals);
      inlineValue = equals + 1;
    } else if (argument[1] != '-' && argument[1] && argument[2]) {
      name.assign(argument, 2);
      inlineValue = argument + 2;
    }
    const CliOption* known = findOption(name.c_str());
    if (!known) {
      parse.error = std::string("unknown option '") + argument + "' (try --help)";
      return parse;
    }
    if (!known->takesValue) {
      if (inlineValue) {
        parse.error = std::string("option ") + known->name + " takes no value: '" + argument + "'";
        return parse;
      }
      parse.action = known->action;
      return parse;
    }
    if (!inlineValue && i + 1 >= argc) {
      parse.error = "option " + name + " needs a value";
      return parse;
    }
    const char* value = inlineValue ? inlineValue : argv[++i];
    const char* option = known->name;
    switch (known->id) {
      case OptionId::Type:
        if (!parseType(value, request.gradientType))
          parse.error = invalid(option, value, "a type name or an index 0 to 13 (see --list)");
        break;
      case OptionId::Size:
        if (!parseSize(value, request.width, request.height))
          parse.error = invalid(option, value, "WIDTHxHEIGHT, each 1 to 2147483647");
        break;
      case OptionId::Start:
      case OptionId::End:
        if (!parseColor(value, known->id == OptionId::Start ? request.startColor : request.endColor))
          parse.error = invalid(option, value, "#RRGGBB, RRGGBB or #RGB in hexadecimal digits");
        break;
      case OptionId::Frequency:
        if (!parseFrequency(value, request.frequency))
          parse.error = invalid(option, value, "a finite number greater than 0");
        request.frequencyGiven = true;
        break;
      case OptionId::Format:
        format = value;
        if (formatNamed(value) < 0) parse.error = invalid(option, value, kFormatNames);
        break;
      case OptionId::Thumbnail:
      case OptionId::Output:
        if (!*value) parse.error = invalid(option, value, "a file name");
        (known->id == OptionId::Output ? request.outputPath : request.thumbnailPath) = value;
        break;
      case OptionId::None:
        break;
    }
    if (!parse.error.empty()) return parse;
  }
  if (request.outputPath.empty()) {
    parse.error = "no output file: give -o FILE.bmp, -o FILE.png or -o - (standard output)";
    return parse;
  }
  if (format) {
    request.outputFormat = request.thumbnailFormat = ImageFormat(formatNamed(format));
  } else if (!formatOfPath(request.outputPath, request.outputFormat)) {
    parse.error = unknownExtension(request.outputPath);
  } else if (!request.thumbnailPath.empty() && !formatOfPath(request.thumbnailPath, request.thumbnailFormat)) {
    parse.error = unknownExtension(request.thumbnailPath);
  }
  return parse;
}
