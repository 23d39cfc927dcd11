// What the compound assignments share; not installed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decimal/fixedfloat"
#include "decimal/fixedint"

namespace VELDRAN::internal {

// target = result, the target keeping its own flags: a result comes from
// the count constructor, whose flags are not the target's.
inline void assignkeepingflags(fixedint& target, const fixedint& result) {
  const bool hassign = target.hassign;
  const bool overflowthrows = target.overflowthrows;
  target = result;
  target.hassign = hassign;
  target.overflowthrows = overflowthrows;
}

inline void assignkeepingflags(fixedfloat& target, const fixedfloat& result) {
  const bool hassign = target.hassign;
  const bool valuehassign = target.value.hassign;
  const bool overflowthrows = target.value.overflowthrows;
  target = result;
  target.hassign = hassign;
  target.value.hassign = valuehassign;
  target.value.overflowthrows = overflowthrows;
}

// Whether |a| + |b| fits `places` places: it does while a, from the top,
// stays at or below the nines' complement of b.
bool sumfits(const std::int8_t* a, const std::int8_t* b, std::size_t places);

// The lines fixedfloat(length) writes, and throws as it does, for a sum
// written straight into its target; the lines of its deletion follow once
// the target has it.
void logfixedfloatmade(unsigned long long length);
void logfixedfloatdeleted() noexcept;

// target += other exactly; the target's flags and its value on refusal
// stay as they were.
void addinto(fixedint& target, const fixedint& other);
void addinto(fixedfloat& target, const fixedfloat& other);

}  // namespace VELDRAN::internal
