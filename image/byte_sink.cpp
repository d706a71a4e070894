#include "byte_sink.h"

bool writeToFileSink(void* context, const uint8_t* bytes, size_t size) {
  auto* sink = static_cast<FileSink*>(context);
  if (!sink->file.isOpen() && !sink->file.open(sink->path)) return false;
  return sink->file.write(bytes, 1, size);
}

int finishFileSink(FileSink& sink, bool encoded, std::string* failureReason) {
  const int written = encoded && sink.file.commit() ? 1 : 0;
  if (failureReason) *failureReason = written ? std::string() : systemErrorText(sink.file.error());
  return written;
}
