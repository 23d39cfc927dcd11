// Built-in integers in, out and in mixed operations, checked against the
// model at each type's limits: the integer counts as a number of the other
// operand's places, no object is made for it and nothing wraps.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/log_capture.h"
#include "support/mixed.h"
#include "support/model.h"
#include "support/records.h"

namespace {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using veldran_test::bigfloatmodel;
using veldran_test::bigintmodel;
using veldran_test::bigresult;
using veldran_test::LogCapture;
using veldran_test::mixedop;
using veldran_test::outcome;
using veldran_test::show;
using veldran_test::wholemodel;

template <typename I>
class IntegerOperations : public ::testing::Test {};

using IntegerTypes = ::testing::Types<short, unsigned short, int, unsigned, long, unsigned long,
                                      long long, unsigned long long>;
// Names the tests by the type's place in the list; it also gives the macro
// its third argument, whose absence clang warns about under -Wpedantic.
struct IntegerTypeNames {
  template <typename I>
  static std::string GetName(int index) {
    return std::to_string(index);
  }
};
TYPED_TEST_SUITE(IntegerOperations, IntegerTypes, IntegerTypeNames);

// The limits of I and the values next to zero.
template <typename I>
std::vector<I> limitsof() {
  std::vector<I> values = {std::numeric_limits<I>::min(), std::numeric_limits<I>::max(), I{0}, I{1},
                           I{7}};
  if constexpr (std::is_signed_v<I>) values.push_back(static_cast<I>(-7));
  return values;
}

bigintmodel intof(const char* text, unsigned long long size, bool hassign = true) {
  std::string digits = text;
  bigintmodel m = veldran_test::freshbig(size);
  m.negative = digits[0] == '-';
  if (m.negative) digits.erase(0, 1);
  std::vector<std::int8_t> places(digits.rbegin(), digits.rend());
  for (auto& d : places) d = static_cast<std::int8_t>(d - '0');
  m.magnitude = veldran_test::bigfromdigits(places);
  m.hassign = hassign;
  return m;
}

// Records of 20 places (every integer fits) and of 3 (most do not).
std::vector<bigintmodel> intrecords() {
  return {intof("0", 20),
          intof("-0", 20),
          intof("12345", 20),
          intof("-9223372036854775808", 20),
          intof("99999999999999999999", 20),
          intof("-99999999999999999999", 20),
          intof("-12345", 20, false),
          intof("-0", 3),
          intof("-999", 3)};
}

// Lengths of 40 (every integer fits the integer part) and of 8.
std::vector<bigfloatmodel> floatrecords() {
  return {{40, intof("0", 40)},
          {40, intof("-0", 40)},
          {40, intof("-250000000000000000000", 40)},
          {40, intof("99999999999999999999"
                     "99999999999999999999",
                     40)},
          {40, intof("-99999999999999999999"
                     "99999999999999999999",
                     40)},
          {8, intof("-99990001", 8)},
          {8, intof("0", 8)}};
}

TYPED_TEST(IntegerOperations, ConstructorsAndAssignmentsTakeEveryValue) {
  for (const TypeParam value : limitsof<TypeParam>()) {
    const wholemodel w = veldran_test::wholeof(value);
    for (const unsigned long long size : {20ULL, 3ULL}) {
      SCOPED_TRACE(std::to_string(value) + " in " + std::to_string(size));
      const bigresult r = veldran_test::integermodel(w, size, 0);
      EXPECT_EQ(veldran_test::outcomeof([&] { return show(fixedint(size, value)); }),
                veldran_test::expected(r));
      fixedint x(size, 5);
      const std::string before = show(x);
      const std::string after = veldran_test::outcomeof([&] { return show(x = value); });
      EXPECT_EQ(after, veldran_test::expected(r));
      if (r.result != outcome::value) {
        EXPECT_EQ(show(x), before);
      }
    }
    for (const unsigned long long length : {40ULL, 8ULL}) {
      SCOPED_TRACE(std::to_string(value) + " at length " + std::to_string(length));
      const bigresult r = veldran_test::integermodel(w, length, length / 2);
      const std::string want = veldran_test::expectedfloat(r, length);
      EXPECT_EQ(veldran_test::outcomeof([&] { return show(fixedfloat(length, value)); }), want);
      fixedfloat x(length, 5);
      const std::string before = show(x);
      EXPECT_EQ(veldran_test::outcomeof([&] { return show(x = value); }), want);
      if (r.result != outcome::value) {
        EXPECT_EQ(show(x), before);
      }
    }
  }
}

struct mixed {
  const char* name;
  mixedop op;
  bool integerleft;
};

const mixed kMixed[] = {
    {"x + i", mixedop::add, false},       {"i + x", mixedop::add, true},
    {"x - i", mixedop::subtract, false},  {"i - x", mixedop::subtract, true},
    {"x * i", mixedop::multiply, false},  {"i * x", mixedop::multiply, true},
    {"x / i", mixedop::divide, false},    {"i / x", mixedop::divide, true},
    {"x % i", mixedop::remainder, false}, {"i % x", mixedop::remainder, true},
};

// The comparisons, which must log nothing.
template <typename Number, typename I>
std::string nolines(const Number& x, I i) {
  const LogCapture capture;
  const std::string text = veldran_test::comparisons(x, i);
  EXPECT_EQ(capture.messages(), std::vector<std::string>{});
  return text;
}

TYPED_TEST(IntegerOperations, FixedintMixedOperationsAgreeWithTheModel) {
  for (const bigintmodel& m : intrecords()) {
    const fixedint x = veldran_test::build(m);
    for (const TypeParam value : limitsof<TypeParam>()) {
      SCOPED_TRACE(show(m) + " with " + std::to_string(value));
      const wholemodel w = veldran_test::wholeof(value);
      for (const mixed& op : kMixed) {
        const bigresult r = veldran_test::intmixedmodel(m, w, op.integerleft, op.op);
        const bool made = r.result == outcome::value;
        veldran_test::expectresult<fixedint>(op.name, veldran_test::expected(r), made, m.size, [&] {
          return show(veldran_test::applymixed(op.op, op.integerleft, x, value));
        });
        EXPECT_EQ(show(x), show(m));
        if (op.integerleft) continue;
        bigresult kept = r;
        kept.value.hassign = m.hassign;
        kept.value.overflowthrows = m.overflowthrows;
        fixedint target = x;
        veldran_test::expectresult<fixedint>(std::string(op.name) + " compound",
                                             veldran_test::expected(kept), made, m.size, [&] {
                                               veldran_test::applycompound(op.op, target, value);
                                               return show(target);
                                             });
        if (!made) {
          EXPECT_EQ(show(target), show(m));
        }
      }
      const bigresult y = veldran_test::integermodel(w, m.size, 0);
      const std::string got = veldran_test::outcomeof([&] { return nolines(x, value); });
      EXPECT_EQ(got, y.result == outcome::value ? veldran_test::comparisonsmodel(m, y.value)
                                                : veldran_test::refusal(y.result, 0));
      if (this->HasFailure()) return;
    }
  }
}

TYPED_TEST(IntegerOperations, FixedfloatMixedOperationsAgreeWithTheModel) {
  for (const bigfloatmodel& m : floatrecords()) {
    const fixedfloat x = veldran_test::build(m, true);
    for (const TypeParam value : limitsof<TypeParam>()) {
      SCOPED_TRACE(show(m, true) + " with " + std::to_string(value));
      const wholemodel w = veldran_test::wholeof(value);
      for (const mixed& op : kMixed) {
        if (op.op == mixedop::remainder) continue;
        const bigresult r = veldran_test::floatmixedmodel(m, w, op.integerleft, op.op);
        const bool made = r.result == outcome::value;
        const std::string want = veldran_test::expectedfloat(r, m.length);
        veldran_test::expectresult<fixedfloat>(op.name, want, made, m.length, [&] {
          return show(veldran_test::applymixed(op.op, op.integerleft, x, value));
        });
        EXPECT_EQ(show(x), show(m, true));
        if (op.integerleft) continue;
        fixedfloat target = x;
        veldran_test::expectresult<fixedfloat>(std::string(op.name) + " compound", want, made,
                                               m.length, [&] {
                                                 veldran_test::applycompound(op.op, target, value);
                                                 return show(target);
                                               });
        if (!made) {
          EXPECT_EQ(show(target), show(m, true));
        }
      }
      const bigresult y = veldran_test::integermodel(w, m.length, m.length / 2);
      const std::string got = veldran_test::outcomeof([&] { return nolines(x, value); });
      EXPECT_EQ(got, y.result == outcome::value ? veldran_test::comparisonsmodel(m.value, y.value)
                                                : veldran_test::refusal(y.result, 0));
      if (this->HasFailure()) return;
    }
  }
}

// --- Out ------------------------------------------------------------------------

TEST(IntegerOut, FixedintGivesItsValueOrOverflows) {
  for (const char* text :
       {"9223372036854775807", "9223372036854775808", "-9223372036854775808",
        "-9223372036854775809", "18446744073709551616", "-0", "0", "-99999999999999999999999"}) {
    const bigintmodel m = intof(text, 24);
    EXPECT_EQ(veldran_test::outcomeof(
                  [&] { return std::to_string(veldran_test::build(m).tolonglong()); }),
              veldran_test::tolonglongmodel(m, 0, VELDRAN::rounding::towardzero))
        << text;
  }
}

// A fixedfloat of `length` places read from decimal text with a point.
bigfloatmodel floatof(const std::string& text, unsigned long long length) {
  const std::size_t point = text.find('.');
  std::string fraction = text.substr(point + 1);
  fraction.resize(length / 2, '0');
  return {length, intof((text.substr(0, point) + fraction).c_str(), length)};
}

TEST(IntegerOut, FixedfloatRoundsToAWholeNumberByMode) {
  for (const char* text :
       {"2.5", "-2.5", "3.5000000001", "-4.999", "-0.0", "0.5", "-0.5", "9223372036854775807.5",
        "-9223372036854775808.5", "-9223372036854775808.4999"}) {
    const bigfloatmodel m = floatof(text, 44);
    const fixedfloat x = veldran_test::build(m, true);
    for (const VELDRAN::rounding mode : veldran_test::kEveryRounding) {
      SCOPED_TRACE(std::string(text) + " " + veldran_test::roundingname(mode));
      const LogCapture capture;
      const std::string want = veldran_test::tolonglongmodel(m.value, 22, mode);
      EXPECT_EQ(veldran_test::outcomeof([&] { return std::to_string(x.tolonglong(mode)); }), want);
      EXPECT_EQ(capture.messages(), std::vector<std::string>{});
    }
  }
}

// --- Which types are taken --------------------------------------------------------

template <typename T, typename = void>
struct addsto : std::false_type {};
template <typename T>
struct addsto<T, std::void_t<decltype(std::declval<const fixedfloat&>() + std::declval<T>())>>
    : std::true_type {};

static_assert(addsto<int>::value && addsto<unsigned long long>::value && addsto<short>::value);
static_assert(!addsto<bool>::value && !addsto<char>::value && !addsto<std::int8_t>::value &&
              !addsto<std::uint8_t>::value && !addsto<wchar_t>::value && !addsto<char32_t>::value &&
              !addsto<double>::value);
static_assert(std::is_constructible_v<fixedint, unsigned long long, unsigned long long>);

}  // namespace
