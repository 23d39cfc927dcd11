#include "decimal/limbrows.h"

#include "decimal/limbs.h"

namespace VELDRAN::internal {

std::uint64_t addlimbs(std::uint64_t* x, std::size_t nx, const std::uint64_t* y, std::size_t ny) {
  std::uint64_t carry = 0;
  std::size_t i = 0;
  for (; i < ny; ++i) {
    const std::uint64_t sum = x[i] + y[i] + carry;
    carry = sum >= kLimbBase ? 1 : 0;
    x[i] = sum - carry * kLimbBase;
  }
  for (; carry != 0 && i < nx; ++i) {
    const std::uint64_t sum = x[i] + 1;
    carry = sum == kLimbBase ? 1 : 0;
    x[i] = sum - carry * kLimbBase;
  }
  return carry;
}

std::uint64_t subtractlimbs(std::uint64_t* x, std::size_t nx, const std::uint64_t* y,
                            std::size_t ny) {
  std::uint64_t borrow = 0;
  std::size_t i = 0;
  for (; i < ny; ++i) {
    const std::uint64_t take = y[i] + borrow;
    borrow = x[i] < take ? 1 : 0;
    x[i] = x[i] + borrow * kLimbBase - take;
  }
  for (; borrow != 0 && i < nx; ++i) {
    borrow = x[i] == 0 ? 1 : 0;
    x[i] = x[i] + borrow * kLimbBase - 1;
  }
  return borrow;
}

int comparelimbs(const std::uint64_t* x, const std::uint64_t* y, std::size_t n) {
  for (std::size_t i = n; i > 0; --i) {
    if (x[i - 1] != y[i - 1]) {
      return x[i - 1] < y[i - 1] ? -1 : 1;
    }
  }
  return 0;
}

}  // namespace VELDRAN::internal
