// fixedfloat basics: construction, assignment from a float, addition, the
// conversions between fixedint and fixedfloat, the parts and text of a
// number, and comparison and hashing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "shared.h"

namespace veldran_fuzz {

void newfloat(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  s.touchedfloat = f;
  const unsigned long long length = picklength(in, s);
  if (b & 4) {
    begin("fixedfloat(odd length)");
    current.argument = std::to_string(length + 1);
    expectthrow<std::runtime_error>([&] { fixedfloat x(length + 1); },
                                    "length should be able to be divided by 2!");
    return;
  }
  begin("fixedfloat(length)");
  current.argument = std::to_string(length);
  s.floats[f] = fixedfloat(length);
  s.floatmodels[f] = freshfloat(length);
}

// Assignment from float, worked out step by step in single precision.
void assignfloat(reader& in, state& s) {
  const std::size_t f = in.byte() % kFloatSlots;
  s.touchedfloat = f;
  const float x = pickfloat(in);
  floatmodel& m = s.floatmodels[f];
  char shown[64];
  std::snprintf(shown, sizeof shown, "%.9g", static_cast<double>(x));
  begin("fixedfloat assignment from float to");
  withoperand(m.value);
  current.argument = shown;
  fixedfloat& target = s.floats[f];

  if (!std::isfinite(x)) {
    expectthrow<std::domain_error>([&] { target = x; }, "Float is not finite!");
    return;
  }
  if (std::fabs(x) >= 9223372036854775808.0F) {
    expectthrow<std::out_of_range>([&] { target = x; }, kIntTooBig);
    return;
  }
  const unsigned long long half = m.length / 2;
  const long long integer = static_cast<long long>(x);
  const u128 integermagnitude = magnitudeof(integer);
  if (std::max(1U, places(integermagnitude)) > half) {
    expectthrow<std::out_of_range>([&] { target = x; }, kIntTooBig);
    return;
  }

  // The integer part alone, as stored before the fraction is looked at.
  floatmodel whole = freshfloat(m.length);
  whole.value.magnitude = integermagnitude * pow10(half);
  whole.value.negative = integer < 0;
  whole.negative = integer < 0;

  float fraction = std::fabs(x - static_cast<float>(integer));
  unsigned scalings = 0;
  if (fraction != 0.0F) {
    while (std::fabs(static_cast<double>(
               fraction - static_cast<float>(static_cast<long long>(fraction)))) > 0.001) {
      fraction = fraction * 10.0F;
      ++scalings;
      FUZZ_CHECK(scalings < 64, "scaling does not stop");
    }
  }
  const auto fractiondigits = static_cast<u128>(static_cast<long long>(fraction));
  if (scalings > half || places(fractiondigits) > half) {
    expectthrow<std::length_error>([&] { target = x; },
                                   "Fraction of float too big to fit in fixedfloat!");
    m = whole;
    return;
  }
  floatmodel result = whole;
  result.value.magnitude += fractiondigits * pow10(half - scalings);
  FUZZ_CHECK(result.value.magnitude < pow10(m.length),
             "model: the fraction carries out of the top");
  result.value.negative = x < 0 && result.value.magnitude != 0;
  result.negative = result.value.negative;
  target = x;
  m = result;
}

void addfloats(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const std::size_t d = (b >> 4) % kFloatSlots;
  floatmodel& left = s.floatmodels[f];
  const floatmodel& right = s.floatmodels[g];
  begin("fixedfloat addition");
  withoperand(left.value);
  withoperand(right.value);
  if (left.length != right.length) {
    expectthrow<std::length_error>([&] { fixedfloat sum = s.floats[f] + s.floats[g]; },
                                   "Size is not equal!");
    return;
  }
  const addition r = addmodel(left.value, right.value);
  floatmodel result = freshfloat(left.length);
  result.value = r.sum;
  if (left.hassign) {
    result.negative = r.sum.negative;
  }
  const fixedfloat other = s.floats[g];
  expectoutcome(r.result, 0, [&] {
    fixedfloat sum = s.floats[f] + other;
    verify(s.floats[f].value, r.left, "left value after the sum");
    verify(sum, result, "sum");
    FUZZ_CHECK(sum.asstring() == floattext(result),
               "sum text \"" + sum.asstring() + "\", expected \"" + floattext(result) + "\"");
    s.floats[d] = sum;
  });
  left.value = r.left;
  if (r.result == outcome::value) {
    s.floatmodels[d] = result;
  }
}

// fixedfloat = fixedint: the integer resized to `length` places, then scaled
// by ten once per fraction place; a failed scaling keeps the last product.
void floatfromint(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  s.touchedfloat = f;
  const std::size_t a = (b >> 2) % kIntSlots;
  floatmodel& m = s.floatmodels[f];
  const intmodel& v = s.intmodels[a];
  begin("fixedfloat assignment from fixedint");
  withoperand(m.value);
  withoperand(v);
  const unsigned long long half = m.length / 2;
  if (v.size < half) {
    expectthrow<std::out_of_range>([&] { s.floats[f] = s.ints[a]; },
                                   "Val too small for fixedfloat!");
    return;
  }
  floatmodel result = m;
  result.value = v;
  result.value.size = m.length;
  result.value.magnitude %= pow10(m.length);
  result.negative = v.negative;
  const u128 limit = pow10(m.length);
  bool throws = false;
  for (unsigned long long step = 0; step < half; ++step) {
    if (result.value.magnitude * 10 >= limit) {
      throws = true;
      break;
    }
    result.value.magnitude *= 10;
    result.value.negative = result.value.hassign && result.value.negative;
    result.value.hassign = true;
    result.value.overflowthrows = false;
  }
  if (throws) {
    expectthrow<std::out_of_range>([&] { s.floats[f] = s.ints[a]; },
                                   message(outcome::outofrange, m.length));
  } else {
    s.floats[f] = s.ints[a];
  }
  m = result;
}

// fixedint = fixedfloat: the integer part, with the float's length as size.
void intfromfloat(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  s.touchedint = a;
  const std::size_t f = (b >> 2) % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedint assignment from fixedfloat");
  withoperand(m.value);
  intmodel result = m.value;
  result.magnitude /= pow10(m.length / 2);
  s.ints[a] = s.floats[f];
  s.intmodels[a] = result;
}

void floatparts(reader& in, state& s) {
  const std::size_t f = in.byte() % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedfloat text and parts");
  withoperand(m.value);
  const std::string expected = floattext(m);
  const std::string text = s.floats[f].asstring();
  FUZZ_CHECK(text == expected, "asstring \"" + text + "\", expected \"" + expected + "\"");
  intmodel integer = m.value;
  integer.magnitude /= pow10(m.length / 2);
  verify(s.floats[f].getintpart(), integer, "getintpart");
  intmodel fraction = m.value;
  fraction.magnitude %= pow10(m.length / 2);
  verify(s.floats[f].getfractionpart(), fraction, "getfractionpart");
}

// fixedfloat comparison against the model of `value`, and std::hash
// against ==; none of it may log.
void comparefloats(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const floatmodel& x = s.floatmodels[b % kFloatSlots];
  const floatmodel& y = s.floatmodels[(b >> 2) % kFloatSlots];
  begin("fixedfloat comparison");
  withoperand(x.value);
  withoperand(y.value);
  const fixedfloat& left = s.floats[b % kFloatSlots];
  const fixedfloat& right = s.floats[(b >> 2) % kFloatSlots];
  const long long before = logsize();
  if (x.length != y.length) {
    const std::string unequal = "Size is not equal!";
    expectthrow<std::length_error>([&] { static_cast<void>(left == right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left != right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left < right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left > right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left <= right); }, unequal);
    expectthrow<std::length_error>([&] { static_cast<void>(left >= right); }, unequal);
  } else {
    const bool equal = modelequal(x.value, y.value);
    const bool greater = modelgreater(x.value, y.value);
    const bool less = !greater && !equal;
    FUZZ_CHECK((left == right) == equal, "==");
    FUZZ_CHECK((left != right) == !equal, "!=");
    FUZZ_CHECK((left < right) == less, "<");
    FUZZ_CHECK((left > right) == greater, ">");
    FUZZ_CHECK((left <= right) == !greater, "<=");
    FUZZ_CHECK((left >= right) == !less, ">=");
    const std::hash<fixedfloat> hash;
    FUZZ_CHECK(!equal || hash(left) == hash(right), "equal numbers hash apart");
  }
  FUZZ_CHECK(logsize() == before, "comparison wrote to the log");
}

}  // namespace veldran_fuzz
