// The mathematics family: fixedint::pow and fixedfloat's pow (integer and
// fixedfloat exponents), sqrt, exp, ln and log10, in every rounding mode,
// against support/mathmodel.h. Operands whose exact power or exponential
// the model could not work out quickly are left to the refusals: exp and
// fractional powers only run where the result's magnitude is bounded.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "shared.h"
#include "support/mathmodel.h"

namespace veldran_fuzz {

namespace {

using veldran_test::mathoperand;

mathoperand operandof(const floatmodel& m) {
  return mathoperand{m.length, veldran_test::bigof(m.value.magnitude), m.value.negative};
}

// Runs the call against the model's outcome and keeps its result in
// `slot`. A refusal logs nothing and a result's life, made, copied silently
// and destroyed, logs one record's.
template <class Number, class Show>
bool check(const std::function<Number()>& call, Show show, const std::string& expected,
           unsigned long long places, Number& slot) {
  const std::vector<std::string> life = onelife<Number>(places);
  const long long before = logsize();
  std::string got;
  bool made = false;
  try {
    const Number result = call();
    got = show(result);
    slot = result;
    made = true;
  } catch (const std::overflow_error& e) {
    got = std::string("overflow_error: ") + e.what();
  } catch (const std::domain_error& e) {
    got = std::string("domain_error: ") + e.what();
  } catch (const std::length_error& e) {
    got = std::string("length_error: ") + e.what();
  }
  FUZZ_CHECK(got == expected, "gave " + got + ", expected " + expected);
  FUZZ_CHECK(messagessince(before) == (made ? life : std::vector<std::string>()),
             made ? "the result logged other lines than one record's life" : "a refusal logged");
  return made;
}

std::string floattextof(const fixedfloat& f) {
  veldran_test::bigintmodel m = veldran_test::freshbig(f.length);
  m.magnitude = veldran_test::bigfromdigits(f.value.digits);
  m.negative = f.value.negative;
  return veldran_test::exacttext(m, f.length / 2);
}

// Whether |t| for t = y ln x stays below 4 (h + 2), a little past where
// the result overflows or rounds to nothing, so that the model's series
// stay short: |ln x| is below 2.31 times x's digits before or after the
// point.
bool boundedexponent(const floatmodel& x, const floatmodel& y) {
  const unsigned long long h = x.length / 2;
  const unsigned long long xdigits = places(x.value.magnitude);
  const u128 logdigits = xdigits > h ? xdigits - h : h + 1 - xdigits;
  const u128 ceiling = y.value.magnitude / pow10(h) + 1;
  return ceiling < pow10(6) && 3 * logdigits * ceiling <= 4 * (h + 2);
}

// The integer power and the mathematics of a float slot.
void runfloat(reader& in, state& s, std::uint8_t kind) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const std::size_t d = (b >> 4) % kFloatSlots;
  const rounding mode = pickrounding(in.byte());
  const auto n = static_cast<long long>(in.byte() % 25) - 12;
  const floatmodel& xm = s.floatmodels[f];
  const floatmodel& ym = s.floatmodels[g];
  const mathoperand x = operandof(xm);
  const fixedfloat& left = s.floats[f];
  const fixedfloat& right = s.floats[g];
  const std::size_t m = static_cast<std::size_t>(mode);
  std::string expected;
  std::function<fixedfloat()> call;
  withoperand(xm.value);
  switch (kind % 6) {
    case 0:
      begin("fixedfloat sqrt");
      expected = veldran_test::sqrtmodel(x, mode);
      call = [&] { return left.sqrt(mode); };
      break;
    case 1:
      begin("fixedfloat exp");
      if (places(xm.value.magnitude / pow10(xm.length / 2)) > 2) return;
      expected = veldran_test::expmodel(x)[m];
      call = [&] { return left.exp(mode); };
      break;
    case 2:
      begin("fixedfloat ln");
      expected = veldran_test::lnmodel(x, false)[m];
      call = [&] { return left.ln(mode); };
      break;
    case 3:
      begin("fixedfloat log10");
      expected = veldran_test::lnmodel(x, true)[m];
      call = [&] { return left.log10(mode); };
      break;
    case 4:
      begin("fixedfloat pow");
      current.argument = std::to_string(n);
      expected = veldran_test::powmodel(x, n, mode);
      call = [&] { return left.pow(n, mode); };
      break;
    default: {
      begin("fixedfloat pow of a fixedfloat");
      withoperand(ym.value);
      const u128 unit = pow10(ym.length / 2);
      if (xm.length != ym.length) {
        expected = "length_error: Size is not equal!";
      } else if (ym.value.magnitude % unit == 0) {
        if (ym.value.magnitude / unit > 12) return;
        const auto whole = static_cast<long long>(ym.value.magnitude / unit);
        expected = veldran_test::powmodel(x, ym.value.negative ? -whole : whole, mode);
      } else if (x.magnitude.limbs.empty()) {
        expected = ym.value.negative ? veldran_test::kZeroDivisor
                                     : veldran_test::resulttext(xm.length, {}, false);
      } else if (x.negative) {
        expected = veldran_test::kDomain;
      } else if (boundedexponent(xm, ym)) {
        expected = veldran_test::exppowmodel(x, operandof(ym))[m];
      } else {
        return;
      }
      call = [&] { return left.pow(right, mode); };
      break;
    }
  }
  current.argument += std::string(" ") + veldran_test::roundingname(mode);
  if (check<fixedfloat>(call, floattextof, expected, xm.length, s.floats[d])) {
    const fixedfloat& result = s.floats[d];
    floatmodel kept = freshfloat(xm.length);
    kept.value.magnitude = veldran_test::smallof(veldran_test::bigfromdigits(result.value.digits));
    kept.value.negative = result.value.negative;
    kept.negative = kept.value.negative;
    s.floatmodels[d] = kept;
    s.touchedfloat = d;
  }
}

// fixedint::pow of an int slot, kept in slot d.
void runint(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t d = (b >> 2) % kIntSlots;
  const unsigned long long e = in.byte() % 40;
  const intmodel& xm = s.intmodels[a];
  begin("fixedint pow");
  withoperand(xm);
  current.argument = std::to_string(e);
  const fixedint& x = s.ints[a];
  const std::string expected = veldran_test::intpowmodel(xm.size, veldran_test::bigof(xm.magnitude),
                                                         xm.negative, xm.hassign, e);
  if (check<fixedint>([&] { return x.pow(e); }, [](const fixedint& r) { return r.asstring(); },
                      expected, xm.size, s.ints[d])) {
    intmodel kept = freshint(xm.size);
    kept.magnitude = veldran_test::smallof(veldran_test::bigfromdigits(s.ints[d].digits));
    kept.negative = s.ints[d].negative;
    s.intmodels[d] = kept;
    s.touchedint = d;
  }
}

}  // namespace

void mathematics(reader& in, state& s) {
  const std::uint8_t kind = in.byte();
  if (kind % 7 == 6) {
    runint(in, s);
  } else {
    runfloat(in, s, kind);
  }
}

}  // namespace veldran_fuzz
