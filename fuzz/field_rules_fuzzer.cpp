// The field rules over any text that fits: a size of 1 to INT32_MAX, a finite positive frequency, each reading
// back from its own field text; formatting stays within any buffer and is terminated.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/field_rules.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exactly sized heap copy, so a read past the terminator is caught.
  std::vector<char> text(data, data + (size < size_t(kTextBufferSize - 1) ? size : size_t(kTextBufferSize - 1)));
  text.push_back('\0');
  const int32_t size32 = sizeFromFieldText(text.data());
  FUZZ_CHECK(size32 >= 1, "size %d from \"%s\"", size32, text.data());
  const float frequency = frequencyFromFieldText(text.data());
  FUZZ_CHECK(std::isfinite(frequency) && frequency > 0.0f, "frequency %g from \"%s\"", double(frequency), text.data());

  char field[kTextBufferSize];
  formatSizeField(size32, field, sizeof field);
  FUZZ_CHECK(sizeFromFieldText(field) == size32, "size %d shows as \"%s\"", size32, field);
  formatFrequencyField(frequency, field, sizeof field);
  FUZZ_CHECK(std::strlen(field) < sizeof field, "frequency field text unterminated");
  FUZZ_CHECK(frequencyFromFieldText(field) == frequency, "frequency %.9g shows as \"%s\"", double(frequency), field);

  std::vector<char> small(size ? 1 + data[0] % 8 : 1, '\x7F');  // on the heap, so ASan sees its end
  formatFrequencyField(frequency, small.data(), small.size());
  FUZZ_CHECK(std::memchr(small.data(), '\0', small.size()), "%zu-byte frequency buffer unterminated", small.size());
  formatSizeField(size32, small.data(), small.size());
  FUZZ_CHECK(std::memchr(small.data(), '\0', small.size()), "%zu-byte size buffer unterminated", small.size());
  return 0;
}
