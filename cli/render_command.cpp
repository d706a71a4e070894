// Carries out a parsed command line through the program's own pipeline: the
// application state, the image buffer, the type's renderer (and, when asked
// for, the thumbnail), then writeBmpFile or the PNG writer, or standard output.
#include "render_command.h"

#include <cerrno>
#include <cstring>

#include "app/app_state.h"
#include "cli_args.h"
#include "gradient/catalogue.h"
#include "image/bmp_writer.h"
#include "image/image_buffer.h"
#include "image/png_writer.h"
#include "image/thumbnail.h"
#include "platform/file_identity.h"
#include "res/version.h"

namespace {

const char kUsage[] =
    "Usage: shadeloom-render [OPTION]... -o FILE\n"
    "       shadeloom-render --list | --help | --version\n"
    "\n"
    "Renders a two-colour gradient into a 24-bit BMP or PNG file.\n"
    "\n"
    "  --type=NAME|INDEX  gradient type, by name (any case) or index 0 to 13 (see\n"
    "                     --list); default \"Linear Vertical\"\n"
    "  --size=WxH         image size in pixels; default 512x512\n"
    "  --start=COLOUR     start colour: #RRGGBB, RRGGBB or #RGB; default #FFFFFF\n"
    "  --end=COLOUR       end colour, written as for --start; default #000000\n"
    "  --frequency=F      frequency multiplier of the wave types, above 0;\n"
    "                     default 1.0\n"
    "  --format=bmp|png   format of every output file, whatever its name\n"
    "  -o, --output=FILE  the image file; without --format its extension, .bmp\n"
    "                     or .png in any case, picks the format (none: BMP);\n"
    "                     - writes the image to standard output, which must not\n"
    "                     be a terminal, and the status line to standard error\n"
    "  --thumbnail=FILE   also write the thumbnail (at most 178x144 pixels), named\n"
    "                     as for -o but not the same file\n"
    "  --list             list the gradient types and their indexes\n"
    "  -h, --help         show this help\n"
    "  --version          show the version\n"
    "  --                 end the options\n"
    "\n"
    "A value may also follow its option as the next argument (--size 640x480),\n"
    "and -oFILE is -o FILE.\n"
    "\n"
    "Largest sizes: the width at most 715827882 pixels; for BMP the file (rows of\n"
    "3 x WIDTH bytes rounded up to a multiple of 4, times HEIGHT, plus 54) at most\n"
    "4294967295 bytes; for PNG (3 x WIDTH + 1) x HEIGHT at most 2130706432 bytes.\n"
    "\n"
    "Exit status: 0 done, 1 the image could not be made or written, 2 bad input.\n";

const char* formatName(ImageFormat format) { return format == ImageFormat::Png ? "PNG" : "BMP"; }

bool hasWaves(int32_t type) { return type >= SineVertical && type != Radial2x; }

// The sizes that the image buffer, and the image's file format, can hold.
bool sizeAllowed(int32_t width, int32_t height, ImageFormat format) {
  return imageSizeFits(width, height, 24) && (format != ImageFormat::Png || pngSizeWritable(width, height));
}

// The largest value in 1..INT32_MAX for which `allowed` holds, which is true
// up to some bound and false beyond; 0 when it holds for none.
template <typename Allowed>
int32_t largestAllowed(Allowed allowed) {
  int64_t low = 0, high = INT32_MAX;
  while (low < high) {
    const int64_t middle = (low + high + 1) / 2;
    if (allowed(int32_t(middle)))
      low = middle;
    else
      high = middle - 1;
  }
  return int32_t(low);
}

void reportTooLarge(const RenderRequest& request, std::FILE* err) {
  const ImageFormat format = request.outputFormat;
  const int32_t width = request.width;
  const int32_t height = largestAllowed([&](int32_t h) { return sizeAllowed(width, h, format); });
  std::fprintf(err, "shadeloom-render: a %dx%d image is too large for a %s file: ", width, request.height,
               formatName(format));
  if (height > 0)
    std::fprintf(err, "at width %d the largest is %dx%d\n", width, width, height);
  else
    std::fprintf(err, "the largest width is %d\n",
                 largestAllowed([&](int32_t w) { return sizeAllowed(w, 1, format); }));
}

// Makes the image and, when wanted, its thumbnail: renderCurrentGradient's
// steps, with the renderer's result checked. 0 when done, else the exit code
// after a message; a failure leaves nothing to write.
int makeImage(const RenderRequest& request, std::FILE* err) {
  const char* name = gradientInfo(request.gradientType)->displayName;
  if (!createImageBuffer(g_state->image, request.width, request.height, 24)) {
    std::fprintf(err, "shadeloom-render: cannot make an image of %dx%d pixels (not enough memory)\n",
                 request.width, request.height);
    return kExitFailure;
  }
  if (!gradientInfo(request.gradientType)->render()) {
    std::fprintf(err, "shadeloom-render: cannot render \"%s\" at %dx%d pixels (not enough memory)\n", name,
                 request.width, request.height);
    return kExitFailure;
  }
  if (!g_state->image.bitmap) {
    std::fprintf(err, "shadeloom-render: cannot make the display bitmap of a %dx%d image\n", request.width,
                 request.height);
    return kExitFailure;
  }
  if (request.thumbnailPath.empty()) return kExitOk;
  // The dialog shows a black thumbnail when memory runs out for the
  // reduction; a file of it would pass for the real one.
  bool complete = false;
  rebuildThumbnail(g_state->image, g_state->thumbnail, &complete);
  if (complete) return kExitOk;
  const ThumbnailSize size = fitWithin(request.width, request.height, kThumbnailMaxWidth, kThumbnailMaxHeight);
  if (size.width == 0 || size.height == 0)
    std::fprintf(err, "shadeloom-render: a %dx%d image has no thumbnail (it fits into 0 pixels)\n", request.width,
                 request.height);
  else
    std::fprintf(err, "shadeloom-render: cannot make the thumbnail\n");
  return kExitFailure;
}

bool writeToStream(void* stream, const uint8_t* bytes, size_t size) {
  return std::fwrite(bytes, 1, size, static_cast<std::FILE*>(stream)) == size;
}

// One output, to its file or to standard output (`out`). True when all of it
// was written; otherwise `reason` holds the system's reason, if it gave one.
bool writeImage(const std::string& path, ImageFormat format, HBITMAP bitmap, std::FILE* out, std::string& reason) {
  reason.clear();
  if (path != kStandardOutput)
    return (format == ImageFormat::Png ? writePngFile(path.c_str(), bitmap, &reason)
                                       : writeBmpFile(path.c_str(), bitmap, &reason)) != 0;
  const bool written = format == ImageFormat::Png ? writePng(bitmap, writeToStream, out) != 0
                                                  : writeBmp(bitmap, writeToStream, out);
  return written && std::fflush(out) == 0;
}

// True when the two outputs would land in one file, so that the second would
// overwrite the first.
bool sameOutput(const std::string& image, const std::string& thumbnail, std::FILE* out) {
  const bool imageOut = image == kStandardOutput, thumbnailOut = thumbnail == kStandardOutput;
  if (imageOut || thumbnailOut)
    return imageOut == thumbnailOut || streamWritesTo(out, (imageOut ? thumbnail : image).c_str());
  return sameFile(image.c_str(), thumbnail.c_str());
}

// Flushes standard output; a failed write there is a failure of the command.
int finishOutput(std::FILE* out, std::FILE* err) {
  if (std::fflush(out) == 0 && !std::ferror(out)) return kExitOk;
  std::fprintf(err, "shadeloom-render: cannot write to standard output: %s\n", std::strerror(errno));
  return kExitFailure;
}

// writeImage with its failure told: "cannot write <what>'<path>': <reason>".
bool writeOrReport(const std::string& path, ImageFormat format, HBITMAP bitmap, const char* what, std::FILE* out,
                   std::FILE* err) {
  std::string reason;
  if (writeImage(path, format, bitmap, out, reason)) return true;
  std::fprintf(err, "shadeloom-render: cannot write %s'%s'%s%s\n", what, path.c_str(), reason.empty() ? "" : ": ",
               reason.c_str());
  return false;
}

// Writes the image, then the thumbnail, then the status line.
int writeOutputs(const RenderRequest& request, const AppState& state, bool toStandardOutput, std::FILE* out,
                 std::FILE* err) {
  if (!writeOrReport(request.outputPath, request.outputFormat, state.image.bitmap, "", out, err) ||
      (!request.thumbnailPath.empty() &&
       !writeOrReport(request.thumbnailPath, request.thumbnailFormat, state.thumbnail.bitmap, "the thumbnail ", out,
                      err)))
    return kExitFailure;
  std::fprintf(toStandardOutput ? err : out, "%s: %dx%d \"%s\"\n", request.outputPath.c_str(), request.width,
               request.height, gradientInfo(request.gradientType)->displayName);
  return toStandardOutput ? kExitOk : finishOutput(out, err);
}

int render(const RenderRequest& request, std::FILE* out, std::FILE* err) {
  const bool toStandardOutput = request.outputPath == kStandardOutput || request.thumbnailPath == kStandardOutput;
  // Everything that can refuse the command is checked before anything is made or written.
  if (toStandardOutput && isTerminal(out)) {
    std::fprintf(err, "shadeloom-render: standard output is a terminal: redirect it, or name a file with -o\n");
    return kExitUsage;
  }
  if (!request.thumbnailPath.empty() && sameOutput(request.outputPath, request.thumbnailPath, out)) {
    std::fprintf(err, "shadeloom-render: the image '%s' and the thumbnail '%s' would be the same file\n",
                 request.outputPath.c_str(), request.thumbnailPath.c_str());
    return kExitUsage;
  }
  if (!sizeAllowed(request.width, request.height, request.outputFormat)) {
    reportTooLarge(request, err);
    return kExitFailure;
  }
  const char* name = gradientInfo(request.gradientType)->displayName;
  if (request.frequencyGiven && !hasWaves(request.gradientType))
    std::fprintf(err, "shadeloom-render: note: \"%s\" has no waves; --frequency changes nothing\n", name);

  AppState state;
  g_state = &state;
  state.width = request.width;
  state.height = request.height;
  state.startColor = request.startColor;
  state.endColor = request.endColor;
  state.gradientType = request.gradientType;
  state.frequency = request.frequency;

  if (toStandardOutput) setBinaryMode(out);
  const int exitCode = makeImage(request, err);
  g_state = nullptr;
  return exitCode == kExitOk ? writeOutputs(request, state, toStandardOutput, out, err) : exitCode;
}

}  // namespace

int runCli(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  const CliParse parse = parseArguments(argc, argv);
  switch (parse.action) {
    case CliAction::Help:
      std::fputs(kUsage, out);
      return finishOutput(out, err);
    case CliAction::Version:
      std::fputs("shadeloom-render " SHADELOOM_VERSION_TEXT "\n", out);
      return finishOutput(out, err);
    case CliAction::List:
      for (int32_t type = 0; type < kGradientTypeCount; ++type)
        std::fprintf(out, "%2d  %s\n", type, gradientInfo(type)->displayName);
      return finishOutput(out, err);
    case CliAction::Render:
      break;
  }
  if (!parse.error.empty()) {
    std::fprintf(err, "shadeloom-render: %s\n", parse.error.c_str());
    return kExitUsage;
  }
  return render(parse.request, out, err);
}
