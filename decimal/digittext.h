// Digit places written out as decimal text; not installed.
//
// Digits at rest (0 to 9) are converted eight at a time, as one 64-bit word,
// where bytes are stored units first. A text is put together in a buffer on
// the stack and reaches the string a buffer at a time, so the string is
// neither filled with zeros first nor grown a character at a time; a short
// text is copied out exactly once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "decimal/digits.h"
#include "decimal/digitwords.h"

namespace VELDRAN::internal {

// The bytes of `word` in the opposite order; compilers make this one
// instruction.
inline std::uint64_t byteswap(std::uint64_t word) {
  word = ((word & 0x00FF00FF00FF00FFU) << 8) | ((word >> 8) & 0x00FF00FF00FF00FFU);
  word = ((word & 0x0000FFFF0000FFFFU) << 16) | ((word >> 16) & 0x0000FFFF0000FFFFU);
  return (word << 32) | (word >> 32);
}

// Stores a word of eight digits at rest as characters, the highest place
// first: the word holds its lowest place in its first byte.
inline void storetext(char* out, std::uint64_t word) {
  word = byteswap(word + '0' * kEachByte);
  std::memcpy(out, &word, sizeof word);
}

// Writes digits[count - 1] down to digits[0] as characters into `out`.
// Returns false, with `out` partly written, as soon as a digit is not at rest.
inline bool writedigitsatrest(char* out, const std::int8_t* digits, std::size_t count) {
  const std::int8_t* from = digits + count;  // just above the next place to write
  if (kPlacesAreWords) {
    for (; from - digits >= 16; from -= 16, out += 16) {
      const std::uint64_t high = loadword(from - 8);
      const std::uint64_t low = loadword(from - 16);
      if ((notatrest(high) | notatrest(low)) != 0) {
        return false;
      }
      storetext(out, high);
      storetext(out + 8, low);
    }
    if (from - digits >= 8) {
      const std::uint64_t word = loadword(from - 8);
      if (notatrest(word) != 0) {
        return false;
      }
      storetext(out, word);
      from -= 8;
      out += 8;
    }
  }
  for (; from != digits; --from, ++out) {
    const std::int8_t digit = from[-1];
    if (digit < 0 || digit > 9) {
      return false;
    }
    *out = static_cast<char>('0' + digit);
  }
  return true;
}

// Puts a text together; take() hands it over.
class textbuilder {
 public:
  // `expected`: the length the text will most likely have, to reserve once.
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): buffer_ is written before it is read
  explicit textbuilder(std::size_t expected) {
    if (expected > sizeof buffer_) {
      text_.reserve(expected);
    }
  }

  void put(char c) {
    if (used_ == sizeof buffer_) {
      flush();
    }
    buffer_[used_++] = c;
  }

  // Puts digits[count - 1] down to digits[0]: one character each or, when
  // any was set by hand outside 0 to 9, each digit's signed decimal text.
  void putdigits(const std::int8_t* digits, std::size_t count) {
    // Most texts: in one go. A digit not at rest leaves only scratch
    // beyond used_ written.
    if (count <= sizeof buffer_ - used_ && writedigitsatrest(buffer_ + used_, digits, count)) {
      used_ += count;
      return;
    }
    putdigitsslowly(digits, count);
  }

  std::string take() {
    if (text_.empty()) {
      return std::string(buffer_, used_);
    }
    flush();
    return std::move(text_);
  }

 private:
  // putdigits for digits set by hand or more than the buffer's room.
  [[gnu::noinline]] void putdigitsslowly(const std::int8_t* digits, std::size_t count) {
    const std::size_t mark = text_.size() + used_;
    if (count <= sizeof buffer_ - used_) {
      putdigitsbyhand(mark, digits, count);
      return;
    }
    for (std::size_t rest = count; rest > 0;) {
      if (used_ == sizeof buffer_) {
        flush();
      }
      const std::size_t chunk = rest < sizeof buffer_ - used_ ? rest : sizeof buffer_ - used_;
      rest -= chunk;
      if (!writedigitsatrest(buffer_ + used_, digits + rest, chunk)) {
        putdigitsbyhand(mark, digits, count);
        return;
      }
      used_ += chunk;
    }
  }

  void flush() {
    text_.append(buffer_, used_);
    used_ = 0;
  }

  // Drops what was put from length `mark` on, then writes the digits one
  // at a time.
  void putdigitsbyhand(std::size_t mark, const std::int8_t* digits, std::size_t count) {
    flush();
    text_.resize(mark);
    for (std::size_t i = count; i > 0; --i) {
      appenddigit(text_, digits[i - 1]);
    }
  }

  std::string text_;  // what has left the buffer
  char buffer_[256];  // NOLINT(cppcoreguidelines-avoid-c-arrays): scratch on the stack
  std::size_t used_ = 0;
};

}  // namespace VELDRAN::internal
