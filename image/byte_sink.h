// Where an encoder's bytes go: a file, standard output, memory. Encoders hand
// their output to a sink, so the exact bytes can be had without a disk and
// "write to a file" is a thin wrapper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/replace_file.h"

// Takes `size` bytes; true when it took them all.
using ByteSink = bool (*)(void* context, const uint8_t* bytes, size_t size);

// A sink into a file that replaces `path` once complete. The file is opened
// with the first bytes, so an encoding that fails before it has any touches
// no file.
struct FileSink {
  const char* path;
  ReplacingFile file;
};
bool writeToFileSink(void* context, const uint8_t* bytes, size_t size);

// Commits the file of a finished encoding (`encoded`: the encoder's result).
// 1 when the whole file is in place; otherwise 0, with `failureReason`, when
// given, the system's text for the first step that failed ("" when no system
// call was to blame).
int finishFileSink(FileSink& sink, bool encoded, std::string* failureReason);
