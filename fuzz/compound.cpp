// The compound assignments of both types: each must give the model's
// outcome, leave its target as the model says, and log the same lines as
// *this = *this op other.
#include <exception>
#include <string>
#include <vector>

#include "shared.h"

namespace veldran_fuzz {

namespace {

// The model of a op= c: the record afterwards and the outcome.
struct compoundresult {
  outcome result = outcome::value;
  intmodel after;
};

compoundresult intcompoundmodel(int kind, const intmodel& a, const intmodel& c) {
  compoundresult r;
  r.after = a;
  if (kind == 0) {
    const addition sum = addmodel(a, c);
    r.result = sum.result;
    r.after = sum.result == outcome::value ? sum.sum : sum.left;
    return r;
  }
  if (kind == 1) {
    const multiplication product = mulmodel(a, c);
    r.result = product.result;
    if (product.result == outcome::value) r.after = product.product;
    return r;
  }
  const bigintmodel x = bigmodelof(a);
  const bigintmodel y = bigmodelof(c);
  const bigresult big = kind == 2   ? veldran_test::subtractmodel(x, y)
                        : kind == 3 ? veldran_test::dividemodel(x, y, divisionpart::quotient)
                                    : veldran_test::dividemodel(x, y, divisionpart::remainder);
  r.result = big.result;
  if (big.result == outcome::value) r.after = intresult(big);
  return r;
}

// Applies one of the compound assignments; `kind` picks it.
template <class Number>
void applycompound(int kind, Number& target, const Number& other) {
  switch (kind) {
    case 0:
      target += other;
      break;
    case 1:
      target *= other;
      break;
    case 2:
      target -= other;
      break;
    case 3:
      target /= other;
      break;
    default:
      target %= other;
      break;
  }
}

// The log lines of `*this = *this op other` done on copies, the same
// operand twice when both sides are one slot.
template <class Number, class Spelled>
std::vector<std::string> spelledoutlines(const Number& target, const Number& other, bool same,
                                         Spelled spelled) {
  Number copy = target;
  Number othercopy = other;
  const long long before = logsize();
  try {
    spelled(copy, same ? copy : othercopy);
  } catch (const std::exception&) {
    // What a refused operation logs is only compared, not fixed.
  }
  return messagessince(before);
}

}  // namespace

// a op= c for +=, *=, -=, /= and %=: the model's outcome, the record left
// behind and the same log lines as *this = *this op other.
void intcompound(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const int kind = (b >> 4) % 5;
  static const char* const kNames[] = {
      "fixedint +=", "fixedint *=", "fixedint -=", "fixedint /=", "fixedint %="};
  begin(kNames[kind]);
  withoperand(s.intmodels[a]);
  withoperand(s.intmodels[c]);
  s.touchedint = a;
  const compoundresult r = intcompoundmodel(kind, s.intmodels[a], s.intmodels[c]);
  const std::vector<std::string> spelled =
      spelledoutlines(s.ints[a], s.ints[c], a == c, [kind](fixedint& t, const fixedint& o) {
        switch (kind) {
          case 0:
            t = t + o;
            break;
          case 1:
            t = t * o;
            break;
          case 2:
            t = t - o;
            break;
          case 3:
            t = t / o;
            break;
          default:
            t = t % o;
            break;
        }
      });
  const long long before = logsize();
  expectoutcome(r.result, s.intmodels[a].size,
                [&] { applycompound(kind, s.ints[a], a == c ? s.ints[a] : s.ints[c]); });
  FUZZ_CHECK(messagessince(before) == spelled, "logged other lines than *this = *this op other");
  s.intmodels[a] = r.after;
}

// f op= g for +=, -=, *= and /=: the model's outcome, the number left
// unchanged by a refusal, and the log lines of *this = *this op other.
void floatcompound(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const int kind = (b >> 4) % 4;
  static const char* const kNames[] = {
      "fixedfloat +=", "fixedfloat -=", "fixedfloat *=", "fixedfloat /="};
  begin(kNames[kind]);
  floatmodel& m = s.floatmodels[f];
  const floatmodel& other = s.floatmodels[g];
  withoperand(m.value);
  withoperand(other.value);
  s.touchedfloat = f;
  outcome predicted = outcome::value;
  floatmodel after = m;
  if (kind == 0) {
    if (m.length != other.length) {
      predicted = outcome::floatlengtherror;
    } else {
      const addition sum = addmodel(m.value, other.value);
      predicted = sum.result;
      after = freshfloat(m.length);
      after.value = sum.sum;
      if (m.hassign) after.negative = sum.sum.negative;
    }
  } else {
    const bigfloatmodel x = bigfloatof(m);
    const bigfloatmodel y = bigfloatof(other);
    const bigresult r = kind == 1   ? veldran_test::floatsubtractmodel(x, y)
                        : kind == 2 ? veldran_test::floatmultiplymodel(x, y, rounding::halfeven)
                                    : veldran_test::floatdividemodel(x, y, rounding::halfeven);
    predicted = r.result;
    if (r.result == outcome::value) after = floatresult(r, m.length);
  }
  const std::vector<std::string> spelled =
      spelledoutlines(s.floats[f], s.floats[g], f == g, [kind](fixedfloat& t, const fixedfloat& o) {
        switch (kind) {
          case 0:
            t = t + o;
            break;
          case 1:
            t = t - o;
            break;
          case 2:
            t = t * o;
            break;
          default:
            t = t / o;
            break;
        }
      });
  const long long before = logsize();
  expectoutcome(predicted, 0, [&] {
    fixedfloat& target = s.floats[f];
    const fixedfloat& right = f == g ? target : s.floats[g];
    switch (kind) {
      case 0:
        target += right;
        break;
      case 1:
        target -= right;
        break;
      case 2:
        target *= right;
        break;
      default:
        target /= right;
        break;
    }
  });
  FUZZ_CHECK(messagessince(before) == spelled, "logged other lines than *this = *this op other");
  if (predicted == outcome::value) m = after;
}

}  // namespace veldran_fuzz
