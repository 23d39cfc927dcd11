// Built-in integers as digit records and back; not installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VELDRAN::internal {

// `magnitude` as the digits of a record of `places` places, its units at
// place `units`; throws std::out_of_range "Input int bigger than size!"
// when its digits (zero has one) need more than the places from `units` up.
std::vector<std::int8_t> integerdigits(unsigned long long magnitude, std::size_t places,
                                       std::size_t units);

// The magnitude of places [low, high) of `digits`, at rest, plus `extra`;
// throws std::overflow_error when it passes 64 bits.
unsigned long long digitsvalue(const std::int8_t* digits, std::size_t low, std::size_t high,
                               unsigned long long extra);

// A sign and magnitude as long long; throws std::overflow_error when the
// value lies outside it.
long long tolonglong(bool negative, unsigned long long magnitude);

}  // namespace VELDRAN::internal
