// The text rules of the dialog's size and frequency fields over any text a
// user can type or paste (up to the dialog's field buffer). Checked: a size
// is always 1 to INT32_MAX and a frequency finite and positive, and each
// reads back from its own field text unchanged; formatting either into the
// dialog's buffer, or into a short one, stays within the buffer and ends
// with a terminator.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "fuzz_input.h"
#include "app/field_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exactly sized heap copy, so a read past the terminator is caught.
  const size_t length = size < size_t(kTextBufferSize - 1) ? size : size_t(kTextBufferSize - 1);
  std::vector<char> text(data, data + length);
  text.push_back('\0');

  const int32_t size32 = sizeFromFieldText(text.data());
  FUZZ_CHECK(size32 >= 1, "size %d from \"%s\", expected at least 1", size32, text.data());

  const float frequency = frequencyFromFieldText(text.data());
  FUZZ_CHECK(std::isfinite(frequency) && frequency > 0.0f, "frequency %g from \"%s\", expected finite and > 0",
             double(frequency), text.data());

  char field[kTextBufferSize];
  formatSizeField(size32, field, sizeof field);
  FUZZ_CHECK(sizeFromFieldText(field) == size32, "size %d shows as \"%s\", which reads back as %d", size32, field,
             sizeFromFieldText(field));

  formatFrequencyField(frequency, field, sizeof field);
  FUZZ_CHECK(std::strlen(field) < sizeof field, "frequency field text unterminated");
  const float shown = frequencyFromFieldText(field);
  FUZZ_CHECK(shown == frequency, "frequency %.9g shows as \"%s\", which reads back as %.9g", double(frequency), field,
             double(shown));

  // A short buffer truncates instead of overrunning (heap-allocated, so ASan
  // sees the end).
  const size_t shortSize = data && size ? 1 + data[0] % 8 : 1;
  std::vector<char> small(shortSize, '\x7F');
  formatFrequencyField(frequency, small.data(), small.size());
  FUZZ_CHECK(std::memchr(small.data(), '\0', small.size()), "a %zu-byte field buffer is left unterminated",
             small.size());
  formatSizeField(size32, small.data(), small.size());
  FUZZ_CHECK(std::memchr(small.data(), '\0', small.size()), "a %zu-byte field buffer is left unterminated",
             small.size());
  return 0;
}
