// Sums, differences and order of rows of base-10^8 limbs, least significant
// first, for the kernels that split their operands into parts; not
// installed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace VELDRAN::internal {

// x += y for ny <= nx; returns the carry out of x's top limb (0 or 1).
std::uint64_t addlimbs(std::uint64_t* x, std::size_t nx, const std::uint64_t* y, std::size_t ny);

// x -= y for ny <= nx; returns the borrow out of x's top limb, 1 when y
// was the larger, x then holding x - y + 10^(8 nx).
std::uint64_t subtractlimbs(std::uint64_t* x, std::size_t nx, const std::uint64_t* y,
                            std::size_t ny);

// Orders two rows of n limbs: <0, 0 or >0.
int comparelimbs(const std::uint64_t* x, const std::uint64_t* y, std::size_t n);

}  // namespace VELDRAN::internal
