// fixedint basics: construction, assignment from an integer, the flags,
// resize, the whole shifts, comparison and hashing, addition,
// multiplication and copies.
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

#include "shared.h"

namespace veldran_fuzz {

void newint(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  const unsigned long long size = picksize(in, s);
  begin((b & 4) != 0 ? "fixedint(size, value)" : "fixedint(size)");
  if ((b & 4) == 0) {
    s.ints[a] = fixedint(size);
    s.intmodels[a] = freshint(size);
    return;
  }
  const long long v = pickinteger(in);
  current.argument = "size " + std::to_string(size) + ", value " + std::to_string(v);
  intmodel m = freshint(size);
  const u128 magnitude = magnitudeof(v);
  if (places(magnitude) > size) {
    expectthrow<std::out_of_range>([&] { fixedint x(size, v); }, kIntTooBig);
    return;
  }
  m.magnitude = magnitude;
  m.negative = v < 0;
  s.ints[a] = fixedint(size, v);
  s.intmodels[a] = m;
}

void assigninteger(reader& in, state& s) {
  const std::size_t a = in.byte() % kIntSlots;
  s.touchedint = a;
  const long long v = pickinteger(in);
  begin("assignment from an integer to");
  withoperand(s.intmodels[a]);
  current.argument = std::to_string(v);
  intmodel& m = s.intmodels[a];
  const u128 magnitude = magnitudeof(v);
  // Even zero needs one place.
  if (std::max(1U, places(magnitude)) > m.size) {
    expectthrow<std::out_of_range>([&] { s.ints[a] = v; }, kIntTooBig);
    return;
  }
  s.ints[a] = v;
  m.magnitude = magnitude;
  if (m.hassign) {
    m.negative = v < 0;
  }
}

void setflags(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  begin("setting flags");
  fixedint& x = s.ints[a];
  intmodel& m = s.intmodels[a];
  if (b & 4) {
    x.negative = m.negative = (b & 8) != 0;
  }
  if (b & 16) {
    x.hassign = m.hassign = (b & 32) != 0;
  }
  if (b & 64) {
    x.overflowthrows = m.overflowthrows = (b & 128) != 0;
  }
}

void resize(reader& in, state& s) {
  const std::size_t a = in.byte() % kIntSlots;
  s.touchedint = a;
  const unsigned long long size = picksize(in, s);
  begin("resize");
  withoperand(s.intmodels[a]);
  current.argument = std::to_string(size);
  s.ints[a].resize(size);
  intmodel& m = s.intmodels[a];
  m.magnitude %= pow10(size);
  m.size = size;
}

void shift(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  intmodel& m = s.intmodels[a];
  if (b & 4) {
    begin("wholeshiftl");
    withoperand(m);
    s.ints[a].wholeshiftl();
    m.magnitude = m.magnitude * 10 % pow10(m.size);
  } else {
    begin("wholeshiftr");
    withoperand(m);
    s.ints[a].wholeshiftr();
    m.magnitude /= 10;
  }
}

void compare(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const intmodel& x = s.intmodels[a];
  const intmodel& y = s.intmodels[c];
  begin("comparison");
  withoperand(x);
  withoperand(y);

  const bool equal = modelequal(x, y);
  const bool greater = modelgreater(x, y);
  const bool less = !greater && !equal;

  const fixedint& left = s.ints[a];
  const fixedint& right = s.ints[c];
  FUZZ_CHECK((left == right) == equal, "==");
  FUZZ_CHECK((left != right) == !equal, "!=");
  FUZZ_CHECK((left > right) == greater, ">");
  FUZZ_CHECK((left < right) == less, "<");
  const long long before = logsize();
  FUZZ_CHECK((left <= right) == (less || equal), "<=");
  FUZZ_CHECK((left >= right) == (greater || equal), ">=");
  FUZZ_CHECK(logsize() == before, "<= or >= wrote to the log");
  const std::hash<fixedint> hash;
  FUZZ_CHECK(!equal || hash(left) == hash(right), "equal records hash apart");
}

void add(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const std::size_t d = (b >> 4) % kIntSlots;
  const addition r = addmodel(s.intmodels[a], s.intmodels[c]);
  begin("fixedint addition");
  withoperand(s.intmodels[a]);
  withoperand(s.intmodels[c]);
  // The right operand is a copy taken before the left one may change.
  const fixedint right = s.ints[c];
  expectoutcome(r.result, 0, [&] {
    fixedint sum = s.ints[a] + right;
    verify(s.ints[a], r.left, "left operand after the sum");
    verify(sum, r.sum, "sum");
    s.ints[d] = sum;
  });
  s.intmodels[a] = r.left;
  if (r.result == outcome::value) {
    s.intmodels[d] = r.sum;
  }
}

void multiply(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const std::size_t d = (b >> 4) % kIntSlots;
  const multiplication r = mulmodel(s.intmodels[a], s.intmodels[c]);
  begin("fixedint multiplication");
  withoperand(s.intmodels[a]);
  withoperand(s.intmodels[c]);
  expectoutcome(r.result, s.intmodels[a].size, [&] {
    fixedint product = s.ints[a] * s.ints[c];
    verify(product, r.product, "product");
    s.ints[d] = product;
  });
  if (r.result == outcome::value) {
    s.intmodels[d] = r.product;
  }
}

void copy(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t d = (b >> 2) % kIntSlots;
  s.touchedint = d;
  begin((b & 16) != 0 ? "getcopy" : "copy assignment");
  withoperand(s.intmodels[a]);
  if (b & 16) {
    s.ints[d] = s.ints[a].getcopy();
  } else {
    s.ints[d] = s.ints[a];
  }
  s.intmodels[d] = s.intmodels[a];
}

}  // namespace veldran_fuzz
