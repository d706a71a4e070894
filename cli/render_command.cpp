// Carries out a parsed command line through the program's own pipeline: the
// application state, the image buffer, the type's renderer (and, when asked
// for, the thumbnail) and writeBmpFile.
#include "cli_args.h"

#include "app/app_state.h"
#include "app/image_lifecycle.h"
#include "gradient/catalogue.h"
#include "image/bmp_writer.h"
#include "image/image_buffer.h"
#include "res/version.h"
#include "ui/thumbnail.h"

namespace {

const char kUsage[] =
    "Usage: shadeloom-render [--type NAME|INDEX] [--size WxH] [--start #RRGGBB]\n"
    "                        [--end #RRGGBB] [--frequency F] [--thumbnail THUMB.bmp]\n"
    "                        -o FILE.bmp\n"
    "       shadeloom-render --list | --help | --version\n"
    "\n"
    "Renders a two-colour gradient into a 24-bit BMP file.\n"
    "  --type       gradient type, by name (any case) or index; default \"Linear Vertical\"\n"
    "  --size       image size in pixels; default 512x512\n"
    "  --start      start colour; default #FFFFFF\n"
    "  --end        end colour; default #000000\n"
    "  --frequency  frequency multiplier of the wave types; default 1.0\n"
    "  --thumbnail  also write the thumbnail (at most 178 x 144 pixels)\n"
    "  -o           the BMP file to write\n";

// The image of the state's settings. With a thumbnail wanted it takes the
// dialog's own road (resizeImage: install, render, rebuild the thumbnail);
// otherwise the thumbnail, which nothing would read, is not made.
bool makeImage(bool withThumbnail) {
  if (withThumbnail) return resizeImage() != 0;
  if (!createImageBuffer(g_state->image, g_state->width, g_state->height, 24)) return false;
  if (const GradientInfo* info = gradientInfo(g_state->gradientType)) info->render();
  return true;
}

int render(const RenderRequest& request, std::FILE* out, std::FILE* err) {
  AppState state;
  g_state = &state;
  state.width = request.width;
  state.height = request.height;
  state.startColor = request.startColor;
  state.endColor = request.endColor;
  state.gradientType = request.gradientType;
  state.frequency = request.frequency;

  int exitCode = kExitOk;
  std::string reason;  // why a file could not be written
  if (!makeImage(!request.thumbnailPath.empty())) {
    std::fprintf(err, "shadeloom-render: cannot make an image of %dx%d pixels (not enough memory)\n",
                 request.width, request.height);
    exitCode = kExitFailure;
  } else if (!state.image.bitmap) {
    std::fprintf(err, "shadeloom-render: cannot make the display bitmap of a %dx%d image\n", request.width,
                 request.height);
    exitCode = kExitFailure;
  } else if (!request.thumbnailPath.empty() && !state.thumbnail.bitmap) {
    // Checked before anything is written, so a refused run leaves no files.
    const ThumbnailSize size = fitWithin(request.width, request.height, kThumbnailMaxWidth, kThumbnailMaxHeight);
    if (size.width == 0 || size.height == 0)
      std::fprintf(err, "shadeloom-render: a %dx%d image has no thumbnail (it fits into 0 pixels)\n",
                   request.width, request.height);
    else
      std::fprintf(err, "shadeloom-render: cannot make the thumbnail\n");
    exitCode = kExitFailure;
  } else if (!writeBmpFile(request.outputPath.c_str(), state.image.bitmap, &reason)) {
    std::fprintf(err, "shadeloom-render: cannot write '%s'%s%s\n", request.outputPath.c_str(),
                 reason.empty() ? "" : ": ", reason.c_str());
    exitCode = kExitFailure;
  } else if (!request.thumbnailPath.empty() &&
             !writeBmpFile(request.thumbnailPath.c_str(), state.thumbnail.bitmap, &reason)) {
    std::fprintf(err, "shadeloom-render: cannot write the thumbnail '%s'%s%s\n", request.thumbnailPath.c_str(),
                 reason.empty() ? "" : ": ", reason.c_str());
    exitCode = kExitFailure;
  } else {
    std::fprintf(out, "%s: %dx%d \"%s\"\n", request.outputPath.c_str(), request.width, request.height,
                 gradientInfo(request.gradientType)->displayName);
  }
  g_state = nullptr;
  return exitCode;
}

}  // namespace

int runCli(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  const CliParse parse = parseArguments(argc, argv);
  switch (parse.action) {
    case CliAction::Help:
      std::fputs(kUsage, out);
      return kExitOk;
    case CliAction::Version:
      std::fputs("shadeloom-render " SHADELOOM_VERSION_TEXT "\n", out);
      return kExitOk;
    case CliAction::List:
      for (int32_t type = 0; type < kGradientTypeCount; ++type)
        std::fprintf(out, "%2d  %s\n", type, gradientInfo(type)->displayName);
      return kExitOk;
    case CliAction::Render:
      break;
  }
  if (!parse.error.empty()) {
    std::fprintf(err, "shadeloom-render: %s\n", parse.error.c_str());
    return kExitUsage;
  }
  return render(parse.request, out, err);
}
