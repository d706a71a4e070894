// A fuzzer's bytes as one case's fields; past the end every field reads as zero, so short inputs are whole cases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
  uint32_t u32() { return u16() | static_cast<uint32_t>(u16()) << 16; }
  const uint8_t* rest() const { return data_ + (at_ < size_ ? at_ : size_); }
  size_t restSize() const { return at_ < size_ ? size_ - at_ : 0; }

  // A side: mostly 1 to 64 so that runs stay fast, up to 4096 with the top bit set.
  uint32_t side() {
    const uint16_t code = u16();
    return code & 0x8000 ? 1 + (code & 0x7FFF) % 4096 : 1 + code % 64;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A broken invariant: say what was found, then abort so libFuzzer keeps the input.
#define FUZZ_CHECK(condition, ...)                                                          \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: check failed: %s\n  ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                                                    \
      std::fputc('\n', stderr);                                                             \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)
