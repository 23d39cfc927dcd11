// Eight digit places read and written as one 64-bit word, each place a
// byte; not installed. Where bytes are stored least significant first, a
// word's byte order is the places' order, so whole words can be added,
// subtracted, compared and converted at once.
#pragma once

#include <cstdint>
#include <cstring>

namespace VELDRAN::internal {

#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kPlacesAreWords = true;
#else
constexpr bool kPlacesAreWords = false;  // the digit loops alone
#endif

constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

inline std::uint64_t loadword(const std::int8_t* digits) {
  std::uint64_t word = 0;
  std::memcpy(&word, digits, sizeof word);
  return word;
}

inline void storeword(std::int8_t* digits, std::uint64_t word) {
  std::memcpy(digits, &word, sizeof word);
}

// Bytes at or above 10 read as unsigned have their high bit set here: a
// byte below 10 stays below 0x80, and only bytes already above it carry.
inline std::uint64_t notatrest(std::uint64_t word) {
  return (word | (word + 0x76 * kEachByte)) & kHighBits;
}

// Bytes that went below zero or were pushed past 9 hold 246 or more: takes
// the 246 back, which brings each to its digit.
inline std::uint64_t settle(std::uint64_t word) { return word - ((word >> 7) & kEachByte) * 246; }

// Eight places of a + b + carry; `carry` becomes the carry out. Each byte
// starts 246 up, so a place sum of 10 or more carries out of its byte.
inline std::uint64_t addword(std::uint64_t a, std::uint64_t b, std::uint64_t& carry) {
  const std::uint64_t raised = a + 246 * kEachByte;  // no byte overflows
  const std::uint64_t sum = raised + b;
  const std::uint64_t total = sum + carry;
  carry = (sum < raised || total < sum) ? 1 : 0;
  return settle(total);
}

// Eight places of a - b - borrow; `borrow` becomes the borrow out. A byte
// that borrows holds 256 plus its difference of -10 to -1.
inline std::uint64_t subtractword(std::uint64_t a, std::uint64_t b, std::uint64_t& borrow) {
  const std::uint64_t difference = a - b;
  const std::uint64_t total = difference - borrow;
  borrow = (a < b || difference < borrow) ? 1 : 0;
  return settle(total);
}

}  // namespace VELDRAN::internal
