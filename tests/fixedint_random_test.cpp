// Random operands checked against a model in 128-bit integers: sums with
// wrap-around and the carry left behind, differences and their underflow,
// products and the place they run out at, and the four comparisons.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "decimal/fixedint"

using VELDRAN::fixedint;

namespace {

__extension__ typedef unsigned __int128 Magnitude;
__extension__ typedef __int128 Signed;

// 10^36 < 2^127, so every magnitude of up to 36 places, every sum of two and
// every product of at most 37 digits fits.
constexpr unsigned kMaxPlaces = 36;

Magnitude power10(unsigned exponent) {
  Magnitude p = 1;
  while (exponent-- > 0) p *= 10;
  return p;
}

struct Model {
  bool negative = false;
  Magnitude magnitude = 0;
  unsigned places = 0;
  bool hassign = true;
  bool overflowthrows = false;
};

unsigned significant(const Model& m) {
  unsigned count = 0;
  for (Magnitude rest = m.magnitude; rest != 0; rest /= 10) ++count;
  return count;
}

// The record as text that shows every field the operations may touch.
std::string show(const Model& m) {
  std::string digits;
  Magnitude rest = m.magnitude;
  for (unsigned i = 0; i < m.places; ++i, rest /= 10) {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(rest % 10)));
  }
  return (m.negative ? "-" : "+") + digits + (m.hassign ? " h" : "") +
         (m.overflowthrows ? " o" : "");
}

std::string show(const fixedint& x) {
  std::string digits;
  for (auto d = x.digits.rbegin(); d != x.digits.rend(); ++d) {
    digits += (*d >= 0 && *d <= 9) ? std::string(1, static_cast<char>('0' + *d))
                                   : "[" + std::to_string(*d) + "]";
  }
  if (x.size != x.digits.size()) digits += " size " + std::to_string(x.size);
  return (x.negative ? "-" : "+") + digits + (x.hassign ? " h" : "") +
         (x.overflowthrows ? " o" : "");
}

fixedint build(const Model& m) {
  fixedint x(m.places);
  Magnitude rest = m.magnitude;
  for (unsigned i = 0; i < m.places; ++i, rest /= 10) {
    x.digits[i] = static_cast<std::int8_t>(rest % 10);
  }
  x.negative = m.negative;
  x.hassign = m.hassign;
  x.overflowthrows = m.overflowthrows;
  return x;
}

// An operation's outcome: the result, or the exception's kind and text.
template <typename Call>
std::string outcome(Call call) {
  try {
    return show(call());
  } catch (const std::overflow_error& e) {
    return std::string("overflow_error: ") + e.what();
  } catch (const std::underflow_error& e) {
    return std::string("underflow_error: ") + e.what();
  } catch (const std::length_error& e) {
    return std::string("length_error: ") + e.what();
  } catch (const std::out_of_range& e) {
    return std::string("out_of_range: ") + e.what();
  }
}

Model result(bool negative, Magnitude magnitude, unsigned places) {
  return Model{negative, magnitude, places, true, false};
}

// Expected outcome of a + b, and the left operand afterwards.
std::string modelsum(Model& a, const Model& b) {
  if (a.places != b.places) return "length_error: Int sizes are not equal!";
  const bool negative = a.negative;  // the sum keeps the sign the left operand had
  if (a.hassign && a.negative != b.negative) {
    const Magnitude p = a.negative ? b.magnitude : a.magnitude;
    const Magnitude n = a.negative ? a.magnitude : b.magnitude;
    if (n > p) return "underflow_error: Underflow occured.";
    return show(result(false, p - n, a.places));
  }
  const Magnitude top = power10(a.places);
  Magnitude sum = a.magnitude + b.magnitude;
  if (sum >= top) {
    if (a.overflowthrows) return "overflow_error: Overflow occured.";
    sum -= top;
    a.magnitude = 1;
    if (a.hassign) a.negative = false;
  }
  return show(result(negative, sum, a.places));
}

std::string modelproduct(const Model& a, const Model& b) {
  if (a.places != b.places) return "length_error: Int sizes are not equal!";
  if (a.places == 0) return "out_of_range: Input int bigger than size!";
  const std::string outofrange =
      "out_of_range: Out of range while running multiplication! Index: " + std::to_string(a.places);
  const unsigned la = significant(a);
  const unsigned lb = significant(b);
  Magnitude product = 0;
  if (la != 0 && lb != 0) {
    if (la + lb - 1 > a.places) return outofrange;
    product = a.magnitude * b.magnitude;  // below 10^37 here
    if (product >= power10(a.places)) return outofrange;
  }
  return show(result(a.hassign && a.negative != b.negative, product, a.places));
}

Signed numeric(const Model& m) {
  return m.negative ? -static_cast<Signed>(m.magnitude) : static_cast<Signed>(m.magnitude);
}

class Generator {
 public:
  explicit Generator(unsigned seed) : engine_(seed) {}

  unsigned below(unsigned bound) {
    return std::uniform_int_distribution<unsigned>(0, bound - 1)(engine_);
  }

  unsigned places() { return below(40) == 0 ? 0 : 1 + below(kMaxPlaces); }

  Model operand(unsigned places) {
    Model m;
    m.places = places;
    m.negative = below(2) == 0;
    m.hassign = below(4) != 0;
    m.overflowthrows = below(2) == 0;
    const unsigned length = places == 0 ? 0 : below(places + 1);
    switch (below(6)) {
      case 0:  // zero, and with it negative zero
        break;
      case 1:  // all nines
        m.magnitude = power10(places) - 1;
        break;
      case 2:  // one digit, anywhere
        if (places > 0) m.magnitude = (1 + below(9)) * power10(below(places));
        break;
      default:
        for (unsigned i = 0; i < length; ++i) m.magnitude = m.magnitude * 10 + below(10);
    }
    return m;
  }

 private:
  std::mt19937 engine_;
};

}  // namespace

TEST(FixedintRandom, AgreesWithIntegerModel) {
  Generator random(20240521U);
  for (int round = 0; round < 3000; ++round) {
    if (round % 256 == 0) {
      VELDRAN::logstream.str("");
      VELDRAN::logstream.clear();
    }
    const unsigned places = random.places();
    Model a = random.operand(places);
    // Now and then the operands' sizes differ.
    const Model b = random.operand(random.below(16) == 0 ? random.places() : places);
    SCOPED_TRACE(show(a) + " and " + show(b));

    fixedint left = build(a);
    const fixedint right = build(b);

    const bool equal =
        a.places == b.places && a.magnitude == b.magnitude && a.negative == b.negative;
    const bool greater = a.negative != b.negative ? b.negative : numeric(a) > numeric(b);
    EXPECT_EQ(left == right, equal);
    EXPECT_EQ(left != right, !equal);
    EXPECT_EQ(left > right, greater);
    EXPECT_EQ(left < right, !greater && !equal);

    EXPECT_EQ(outcome([&] { return left * right; }), modelproduct(a, b));
    EXPECT_EQ(show(left), show(a));

    const std::string sum = modelsum(a, b);  // updates a as the carry does
    EXPECT_EQ(outcome([&] { return left + right; }), sum);
    EXPECT_EQ(show(left), show(a));
    EXPECT_EQ(show(right), show(b));

    if (HasFailure()) break;  // one reported pair says enough
  }
}
