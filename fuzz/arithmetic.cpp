// The newer arithmetic, checked against the big-integer model: negation,
// difference, division, remainder and divide with a mode for fixedint;
// negation, difference, products, quotients and rounded for fixedfloat;
// todouble for both. A result's life must log what one record's does.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "shared.h"

namespace veldran_fuzz {

namespace {

// The double nearest the exact value, read from its text by strtod.
void expectdouble(double got, const std::string& exact) {
  const double want = std::strtod(exact.c_str(), nullptr);
  FUZZ_CHECK(got == want && std::signbit(got) == std::signbit(want),
             "todouble gave " + std::to_string(got) + " for " + exact);
}

}  // namespace

// -a, a - c, a / c, a % c or a.divide(c, mode), kept in slot d.
void intarithmetic(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t a = b % kIntSlots;
  const std::size_t c = (b >> 2) % kIntSlots;
  const std::size_t d = (b >> 4) % kIntSlots;
  const std::uint8_t kind = in.byte();
  const bigintmodel x = bigmodelof(s.intmodels[a]);
  const bigintmodel y = bigmodelof(s.intmodels[c]);
  const rounding mode = pickrounding(kind >> 3);
  bigresult r;
  std::function<fixedint()> operation;
  const fixedint& left = s.ints[a];
  const fixedint& right = s.ints[c];
  switch (kind % 5) {
    case 0:
      begin("fixedint negation");
      r = veldran_test::negatemodel(x);
      operation = [&] { return -left; };
      break;
    case 1:
      begin("fixedint subtraction");
      r = veldran_test::subtractmodel(x, y);
      operation = [&] { return left - right; };
      break;
    case 2:
      begin("fixedint division");
      r = veldran_test::dividemodel(x, y, divisionpart::quotient);
      operation = [&] { return left / right; };
      break;
    case 3:
      begin("fixedint remainder");
      r = veldran_test::dividemodel(x, y, divisionpart::remainder);
      operation = [&] { return left % right; };
      break;
    default:
      begin("fixedint divide");
      current.argument = veldran_test::roundingname(mode);
      r = veldran_test::dividemodel(x, y, divisionpart::quotient, mode);
      operation = [&] { return left.divide(right, mode); };
      break;
  }
  withoperand(s.intmodels[a]);
  if (kind % 5 != 0) withoperand(s.intmodels[c]);
  expectmade<fixedint>(r.result, s.intmodels[a].size, operation, [&](const fixedint& result) {
    verify(result, intresult(r), "result");
    s.ints[d] = result;
  });
  if (r.result == outcome::value) {
    s.touchedint = d;
    s.intmodels[d] = intresult(r);
  }
}

void inttodouble(reader& in, state& s) {
  const std::size_t a = in.byte() % kIntSlots;
  begin("fixedint todouble");
  withoperand(s.intmodels[a]);
  const long long before = logsize();
  expectdouble(s.ints[a].todouble(), veldran_test::exacttext(bigmodelof(s.intmodels[a]), 0));
  FUZZ_CHECK(logsize() == before, "todouble wrote to the log");
}

// -f, f - g, f.multiply(g, mode), f * g, f.divide(g, mode), f / g or
// f.rounded(places, mode), kept in slot d.
void floatarithmetic(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const std::size_t g = (b >> 2) % kFloatSlots;
  const std::size_t d = (b >> 4) % kFloatSlots;
  const std::uint8_t kind = in.byte();
  const bigfloatmodel x = bigfloatof(s.floatmodels[f]);
  const bigfloatmodel y = bigfloatof(s.floatmodels[g]);
  const rounding mode = pickrounding(kind >> 3);
  const unsigned long long places = in.byte() % (x.length / 2 + 3);
  const fixedfloat& left = s.floats[f];
  const fixedfloat& right = s.floats[g];
  bigresult r;
  std::function<fixedfloat()> operation;
  switch (kind % 7) {
    case 0:
      begin("fixedfloat negation");
      r = veldran_test::floatnegatemodel(x);
      operation = [&] { return -left; };
      break;
    case 1:
      begin("fixedfloat subtraction");
      r = veldran_test::floatsubtractmodel(x, y);
      operation = [&] { return left - right; };
      break;
    case 2:
      begin("fixedfloat multiply");
      current.argument = veldran_test::roundingname(mode);
      r = veldran_test::floatmultiplymodel(x, y, mode);
      operation = [&] { return left.multiply(right, mode); };
      break;
    case 3:
      begin("fixedfloat *");
      r = veldran_test::floatmultiplymodel(x, y, rounding::halfeven);
      operation = [&] { return left * right; };
      break;
    case 4:
      begin("fixedfloat divide");
      current.argument = veldran_test::roundingname(mode);
      r = veldran_test::floatdividemodel(x, y, mode);
      operation = [&] { return left.divide(right, mode); };
      break;
    case 5:
      begin("fixedfloat /");
      r = veldran_test::floatdividemodel(x, y, rounding::halfeven);
      operation = [&] { return left / right; };
      break;
    default:
      begin("fixedfloat rounded");
      current.argument = std::to_string(places) + " places, " + veldran_test::roundingname(mode);
      r = veldran_test::floatroundedmodel(x, places, mode);
      operation = [&] { return left.rounded(places, mode); };
      break;
  }
  withoperand(s.floatmodels[f].value);
  if (kind % 7 != 0 && kind % 7 != 6) withoperand(s.floatmodels[g].value);
  const floatmodel expected = floatresult(r, x.length);
  expectmade<fixedfloat>(r.result, x.length, operation, [&](const fixedfloat& result) {
    verify(result, expected, "result");
    s.floats[d] = result;
  });
  if (r.result == outcome::value) {
    s.touchedfloat = d;
    s.floatmodels[d] = expected;
  }
}

void floattodouble(reader& in, state& s) {
  const std::size_t f = in.byte() % kFloatSlots;
  const floatmodel& m = s.floatmodels[f];
  begin("fixedfloat todouble");
  withoperand(m.value);
  // As asstring() shows it: with the number's own sign flag, which may lag
  // behind value's.
  bigintmodel shown = bigmodelof(m.value);
  shown.negative = m.negative;
  const long long before = logsize();
  expectdouble(s.floats[f].todouble(), veldran_test::exacttext(shown, m.length / 2));
  FUZZ_CHECK(logsize() == before, "todouble wrote to the log");
}

}  // namespace veldran_fuzz
