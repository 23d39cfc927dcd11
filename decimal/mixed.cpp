// Operations between a number and a built-in integer. The integer becomes
// digits in the number's places, never a number object, so only a result
// is logged. Each result is worked out in those digits before its object
// is made: a refusal makes nothing and logs nothing.
#include <stdexcept>
#include <utility>
#include <vector>

#include "decimal/compound.h"
#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/integers.h"
#include "decimal/magnitudes.h"

namespace VELDRAN {

namespace {

using internal::magnitudedivision;
using internal::magnitudeproduct;

// The two operands as digits of `places` places, at rest, with the signs
// that count, in the order the operation takes them. The integer's digits
// take the result, which the kernels may write over their operands.
class operands {
 public:
  operands(const std::vector<std::int8_t>& number, bool numbernegative, integer i,
           std::size_t places, std::size_t units, bool integerleft)
      : integer_(internal::integerdigits(i.magnitude, places, units)),
        number_(internal::atrest(number, spare_)),
        places_(places),
        integerleft_(integerleft),
        numbernegative_(numbernegative),
        integernegative_(i.negative) {}
  // Holds pointers into its own digits.
  operands(const operands&) = delete;
  operands& operator=(const operands&) = delete;
  operands(operands&&) = delete;
  operands& operator=(operands&&) = delete;
  ~operands() = default;

  const std::int8_t* a() const { return integerleft_ ? integer_.data() : number_; }
  const std::int8_t* b() const { return integerleft_ ? number_ : integer_.data(); }
  bool anegative() const { return integerleft_ ? integernegative_ : numbernegative_; }
  bool bnegative() const { return integerleft_ ? numbernegative_ : integernegative_; }
  std::size_t places() const { return places_; }
  std::int8_t* out() { return integer_.data(); }
  // The result's digits; the operands are spent.
  std::vector<std::int8_t>&& result() { return std::move(integer_); }

 private:
  std::vector<std::int8_t> spare_;
  std::vector<std::int8_t> integer_;
  const std::int8_t* number_;
  std::size_t places_;
  bool integerleft_;
  bool numbernegative_;
  bool integernegative_;
};

// A result worked out in full: its digits and sign.
using worked = std::pair<std::vector<std::int8_t>, bool>;

// a - b exactly, or a + b when `add`; a zero is positive.
worked signeddifference(operands& in, bool add) {
  bool negative = false;
  if (!internal::difference(in.a(), in.anegative(), in.b(), in.bnegative() != add, in.out(),
                            negative, in.places())) {
    internal::throwoverflow();
  }
  return {in.result(), negative};
}

// |a| * |b| / 10^scale; exact, as the integer's scaled digits end in zeros.
worked product(operands& in, std::size_t scale) {
  const magnitudeproduct made(in.a(), in.b(), in.places(), scale);
  if (!made.writekept(in.out(), in.places())) {
    internal::throwoverflow();
  }
  return {in.result(), in.anegative() != in.bnegative()};
}

enum class part { quotient, remainder };

// |a| * 10^scale / |b|, toward zero or rounded by `mode`, or the remainder.
worked division(operands& in, std::size_t scale, part wanted,
                rounding mode = rounding::towardzero) {
  internal::checkdivisor(in.b(), in.places());
  const magnitudedivision made(in.a(), in.b(), in.places(), scale);
  if (wanted == part::remainder) {
    made.writeremainder(in.out(), in.places());
    return {in.result(), in.anegative()};
  }
  const bool negative = in.anegative() != in.bnegative();
  if (!made.writequotient(in.out(), in.places()) ||
      !internal::roundmagnitude(in.out(), 0, in.places(), mode, negative, made.dropped())) {
    internal::throwoverflow();
  }
  return {in.result(), negative};
}

// Orders a against b: sign first, then magnitude, the larger magnitude the
// smaller number among negatives; a negative zero counts as negative.
int order(const operands& in) {
  if (in.anegative() != in.bnegative()) {
    return in.anegative() ? -1 : 1;
  }
  const int magnitudes = internal::compare(in.a(), in.b(), in.places());
  return in.anegative() ? -magnitudes : magnitudes;
}

bool equal(const operands& in) {
  return in.anegative() == in.bnegative() && internal::compare(in.a(), in.b(), in.places()) == 0;
}

// --- fixedint ----------------------------------------------------------------------

// While `hassign` is clear, magnitudes alone count: no sign is read.
// A record whose digits do not number its places could not be read safely.
void checkplaces(const fixedint& x) {
  if (x.digits.size() != x.size) {
    throw std::length_error("Int sizes are not equal!");
  }
}

operands intoperands(const fixedint& x, integer i, bool integerleft) {
  checkplaces(x);
  if (!x.hassign) {
    i.negative = false;
  }
  return operands(x.digits, x.hassign && x.negative, i, x.size, 0, integerleft);
}

// Signs are read as a fixedint's comparisons read them, whatever `hassign`.
operands intcomparison(const fixedint& x, integer i, bool integerleft) {
  checkplaces(x);
  return operands(x.digits, x.negative, i, x.size, 0, integerleft);
}

fixedint madeint(std::size_t size, worked&& made) {
  fixedint result(size);
  result.digits.swap(made.first);
  result.negative = made.second;
  return result;
}

fixedint intdifference(const fixedint& x, integer i, bool integerleft, bool add) {
  operands in = intoperands(x, i, integerleft);
  if (!add && !x.hassign && internal::compare(in.a(), in.b(), in.places()) < 0) {
    throw std::underflow_error("Underflow occured.");
  }
  return madeint(x.size, signeddifference(in, add));
}

fixedint intproduct(const fixedint& x, integer i) {
  operands in = intoperands(x, i, false);
  return madeint(x.size, product(in, 0));
}

fixedint intdivision(const fixedint& x, integer i, bool integerleft, part wanted) {
  operands in = intoperands(x, i, integerleft);
  return madeint(x.size, division(in, 0, wanted));
}

// --- fixedfloat --------------------------------------------------------------------

// The integer's units at the fixedfloat's units place.
operands floatoperands(const fixedfloat& x, integer i, bool integerleft) {
  if (x.value.digits.size() != x.length) {
    throw std::length_error("Size is not equal!");
  }
  return operands(x.value.digits, x.value.negative, i, x.length, x.length / 2, integerleft);
}

fixedfloat madefloat(std::size_t length, worked&& made) {
  fixedfloat result(length);
  result.value.digits.swap(made.first);
  result.value.negative = made.second;
  result.updsign();
  return result;
}

fixedfloat floatdifference(const fixedfloat& x, integer i, bool integerleft, bool add) {
  operands in = floatoperands(x, i, integerleft);
  return madefloat(x.length, signeddifference(in, add));
}

fixedfloat floatproduct(const fixedfloat& x, integer i) {
  operands in = floatoperands(x, i, false);
  return madefloat(x.length, product(in, x.length / 2));
}

fixedfloat floatdivision(const fixedfloat& x, integer i, bool integerleft) {
  operands in = floatoperands(x, i, integerleft);
  return madefloat(x.length, division(in, x.length / 2, part::quotient, rounding::halfeven));
}

}  // namespace

// --- fixedint and an integer ---------------------------------------------------------

fixedint operator+(const fixedint& x, integer i) { return intdifference(x, i, false, true); }
fixedint operator+(integer i, const fixedint& x) { return intdifference(x, i, true, true); }
fixedint operator-(const fixedint& x, integer i) { return intdifference(x, i, false, false); }
fixedint operator-(integer i, const fixedint& x) { return intdifference(x, i, true, false); }
fixedint operator*(const fixedint& x, integer i) { return intproduct(x, i); }
fixedint operator*(integer i, const fixedint& x) { return intproduct(x, i); }
fixedint operator/(const fixedint& x, integer i) {
  return intdivision(x, i, false, part::quotient);
}
fixedint operator/(integer i, const fixedint& x) { return intdivision(x, i, true, part::quotient); }
fixedint operator%(const fixedint& x, integer i) {
  return intdivision(x, i, false, part::remainder);
}
fixedint operator%(integer i, const fixedint& x) {
  return intdivision(x, i, true, part::remainder);
}

bool operator==(const fixedint& x, integer i) { return equal(intcomparison(x, i, false)); }
bool operator==(integer i, const fixedint& x) { return equal(intcomparison(x, i, true)); }
bool operator!=(const fixedint& x, integer i) { return !equal(intcomparison(x, i, false)); }
bool operator!=(integer i, const fixedint& x) { return !equal(intcomparison(x, i, true)); }
bool operator<(const fixedint& x, integer i) { return order(intcomparison(x, i, false)) < 0; }
bool operator<(integer i, const fixedint& x) { return order(intcomparison(x, i, true)) < 0; }
bool operator>(const fixedint& x, integer i) { return order(intcomparison(x, i, false)) > 0; }
bool operator>(integer i, const fixedint& x) { return order(intcomparison(x, i, true)) > 0; }
bool operator<=(const fixedint& x, integer i) { return order(intcomparison(x, i, false)) <= 0; }
bool operator<=(integer i, const fixedint& x) { return order(intcomparison(x, i, true)) <= 0; }
bool operator>=(const fixedint& x, integer i) { return order(intcomparison(x, i, false)) >= 0; }
bool operator>=(integer i, const fixedint& x) { return order(intcomparison(x, i, true)) >= 0; }

fixedint& fixedint::operator+=(integer other) {
  internal::assignkeepingflags(*this, *this + other);
  return *this;
}

fixedint& fixedint::operator-=(integer other) {
  internal::assignkeepingflags(*this, *this - other);
  return *this;
}

fixedint& fixedint::operator*=(integer other) {
  internal::assignkeepingflags(*this, *this * other);
  return *this;
}

fixedint& fixedint::operator/=(integer other) {
  internal::assignkeepingflags(*this, *this / other);
  return *this;
}

fixedint& fixedint::operator%=(integer other) {
  internal::assignkeepingflags(*this, *this % other);
  return *this;
}

// --- fixedfloat and an integer -------------------------------------------------------

fixedfloat operator+(const fixedfloat& x, integer i) { return floatdifference(x, i, false, true); }
fixedfloat operator+(integer i, const fixedfloat& x) { return floatdifference(x, i, true, true); }
fixedfloat operator-(const fixedfloat& x, integer i) { return floatdifference(x, i, false, false); }
fixedfloat operator-(integer i, const fixedfloat& x) { return floatdifference(x, i, true, false); }
fixedfloat operator*(const fixedfloat& x, integer i) { return floatproduct(x, i); }
fixedfloat operator*(integer i, const fixedfloat& x) { return floatproduct(x, i); }
fixedfloat operator/(const fixedfloat& x, integer i) { return floatdivision(x, i, false); }
fixedfloat operator/(integer i, const fixedfloat& x) { return floatdivision(x, i, true); }

bool operator==(const fixedfloat& x, integer i) { return equal(floatoperands(x, i, false)); }
bool operator==(integer i, const fixedfloat& x) { return equal(floatoperands(x, i, true)); }
bool operator!=(const fixedfloat& x, integer i) { return !equal(floatoperands(x, i, false)); }
bool operator!=(integer i, const fixedfloat& x) { return !equal(floatoperands(x, i, true)); }
bool operator<(const fixedfloat& x, integer i) { return order(floatoperands(x, i, false)) < 0; }
bool operator<(integer i, const fixedfloat& x) { return order(floatoperands(x, i, true)) < 0; }
bool operator>(const fixedfloat& x, integer i) { return order(floatoperands(x, i, false)) > 0; }
bool operator>(integer i, const fixedfloat& x) { return order(floatoperands(x, i, true)) > 0; }
bool operator<=(const fixedfloat& x, integer i) { return order(floatoperands(x, i, false)) <= 0; }
bool operator<=(integer i, const fixedfloat& x) { return order(floatoperands(x, i, true)) <= 0; }
bool operator>=(const fixedfloat& x, integer i) { return order(floatoperands(x, i, false)) >= 0; }
bool operator>=(integer i, const fixedfloat& x) { return order(floatoperands(x, i, true)) >= 0; }

fixedfloat& fixedfloat::operator+=(integer other) {
  internal::assignkeepingflags(*this, *this + other);
  return *this;
}

fixedfloat& fixedfloat::operator-=(integer other) {
  internal::assignkeepingflags(*this, *this - other);
  return *this;
}

fixedfloat& fixedfloat::operator*=(integer other) {
  internal::assignkeepingflags(*this, *this * other);
  return *this;
}

fixedfloat& fixedfloat::operator/=(integer other) {
  internal::assignkeepingflags(*this, *this / other);
  return *this;
}

}  // namespace VELDRAN
