// Family 1: built-in integers in and out, mixed operations with them,
// numbers in other sizes and lengths, and doubles in. Each must give the
// big-integer model's outcome, log only its result's life (comparisons and
// tolonglong nothing) and leave its operands as they were.
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "shared.h"
#include "support/mixed.h"

namespace veldran_fuzz {

namespace {

using veldran_test::mixedop;
using veldran_test::wholemodel;

// Runs `make`, which makes one number, against the model's result: a
// result logs exactly one life, a refusal nothing unless `refusallogs`
// (the integer constructors log their creation first, as the others do).
template <class Number, class Make, class Check>
void expectresult(const bigresult& r, unsigned long long places, Make&& make, Check&& check,
                  bool refusallogs = false) {
  const std::vector<std::string> life = onelife<Number>(places);
  const long long before = logsize();
  expectoutcome(r.result, 0, [&] {
    const Number result = make();
    check(result);
  });
  const std::vector<std::string> lines = messagessince(before);
  const bool made = r.result == outcome::value;
  FUZZ_CHECK(made ? lines == life : refusallogs || lines.empty(),
             "logged other lines than the result's life");
}

// An integer of a type the input picks: long long, or an unsigned long
// long, an int or an unsigned short.
struct picked {
  int type = 0;
  long long signedvalue = 0;
  unsigned long long unsignedvalue = 0;
};

picked pickwhole(reader& in) {
  picked p;
  p.type = in.byte() % 4;
  p.signedvalue = pickinteger(in);
  p.unsignedvalue = p.type == 1 ? in.raw<unsigned long long>() : 0;
  return p;
}

// Calls `f` with the picked integer in its own type.
template <class F>
auto withwhole(const picked& p, F&& f) {
  switch (p.type) {
    case 1:
      return f(p.unsignedvalue);
    case 2:
      return f(static_cast<int>(p.signedvalue));
    case 3:
      return f(static_cast<unsigned short>(p.signedvalue));
    default:
      return f(p.signedvalue);
  }
}

wholemodel modelof(const picked& p) {
  return withwhole(p, [](auto v) { return veldran_test::wholeof(v); });
}

std::string textof(const picked& p) {
  return withwhole(p, [](auto v) { return std::to_string(v); });
}

floatmodel floatof(const bigresult& r, unsigned long long length) { return floatresult(r, length); }

// Keeps a result in an int slot when the model can follow it.
void keepint(state& s, std::size_t a, const fixedint& result, const intmodel& m) {
  if (m.size > kMaxPlaces) return;
  s.ints[a] = result;
  s.intmodels[a] = m;
  s.touchedint = a;
}

void keepfloat(state& s, std::size_t f, const fixedfloat& result, const floatmodel& m) {
  if (m.length > kMaxPlaces) return;
  s.floats[f] = result;
  s.floatmodels[f] = m;
  s.touchedfloat = f;
}

// fixedint(size, i) or x = i; fixedfloat(length, i) or f = i.
void integerin(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const picked p = pickwhole(in);
  const wholemodel w = modelof(p);
  current.argument = textof(p);
  if ((b & 1) == 0) {
    const std::size_t a = (b >> 1) % kIntSlots;
    const unsigned long long size = (b & 8) != 0 ? picksize(in, s) : s.intmodels[a].size;
    const bigresult r = veldran_test::integermodel(w, size, 0);
    if ((b & 8) != 0) {
      begin("fixedint from an integer");
      expectresult<fixedint>(
          r, size, [&] { return withwhole(p, [&](auto v) { return fixedint(size, v); }); },
          [&](const fixedint& x) {
            verify(x, intresult(r), "result");
            keepint(s, a, x, intresult(r));
          },
          true);
      return;
    }
    begin("assignment of an integer to");
    withoperand(s.intmodels[a]);
    s.touchedint = a;
    intmodel after = s.intmodels[a];
    if (r.result == outcome::value) {
      after.magnitude = intresult(r).magnitude;
      if (after.hassign) after.negative = w.negative;
    }
    expectoutcome(r.result, 0, [&] {
      withwhole(p, [&](auto v) {
        s.ints[a] = v;
        return 0;
      });
    });
    s.intmodels[a] = after;
    return;
  }
  const std::size_t f = (b >> 1) % kFloatSlots;
  const unsigned long long length = (b & 8) != 0 ? picklength(in, s) : s.floatmodels[f].length;
  const bigresult r = veldran_test::integermodel(w, length, length / 2);
  if ((b & 8) != 0) {
    begin("fixedfloat from an integer");
    expectresult<fixedfloat>(
        r, length, [&] { return withwhole(p, [&](auto v) { return fixedfloat(length, v); }); },
        [&](const fixedfloat& x) {
          verify(x, floatof(r, length), "result");
          keepfloat(s, f, x, floatof(r, length));
        },
        true);
    return;
  }
  begin("assignment of an integer to a fixedfloat");
  withoperand(s.floatmodels[f].value);
  s.touchedfloat = f;
  floatmodel after = s.floatmodels[f];
  if (r.result == outcome::value) {
    const floatmodel made = floatof(r, length);
    after.value = made.value;
    after.value.hassign = s.floatmodels[f].value.hassign;
    after.value.overflowthrows = s.floatmodels[f].value.overflowthrows;
    after.negative = made.negative;
  }
  expectoutcome(r.result, 0, [&] {
    withwhole(p, [&](auto v) {
      s.floats[f] = v;
      return 0;
    });
  });
  s.floatmodels[f] = after;
}

// x op i, i op x or x op= i, for either type.
void mixed(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const picked p = pickwhole(in);
  const wholemodel w = modelof(p);
  const bool integerleft = (b & 2) != 0;
  const bool compound = (b & 4) != 0 && !integerleft;
  current.argument = textof(p);
  if ((b & 1) == 0) {
    const auto op = static_cast<mixedop>((b >> 3) % 5);
    const std::size_t a = (b >> 6) % kIntSlots;
    const intmodel m = s.intmodels[a];
    begin(compound ? "fixedint op= integer" : "fixedint mixed with an integer");
    withoperand(m);
    current.argument += " op " + std::to_string(static_cast<int>(op));
    const bigresult r = veldran_test::intmixedmodel(bigmodelof(m), w, integerleft, op);
    if (compound) {
      s.touchedint = a;
      intmodel after = m;
      if (r.result == outcome::value) {
        after = intresult(r);
        after.hassign = m.hassign;
        after.overflowthrows = m.overflowthrows;
      }
      expectoutcome(r.result, 0, [&] {
        withwhole(p, [&](auto v) {
          veldran_test::applycompound(op, s.ints[a], v);
          return 0;
        });
      });
      s.intmodels[a] = after;
      return;
    }
    expectresult<fixedint>(
        r, m.size,
        [&] {
          return withwhole(
              p, [&](auto v) { return veldran_test::applymixed(op, integerleft, s.ints[a], v); });
        },
        [&](const fixedint& x) { verify(x, intresult(r), "result"); });
    return;
  }
  const auto op = static_cast<mixedop>((b >> 3) % 4);
  const std::size_t f = (b >> 6) % kFloatSlots;
  const floatmodel m = s.floatmodels[f];
  begin(compound ? "fixedfloat op= integer" : "fixedfloat mixed with an integer");
  withoperand(m.value);
  current.argument += " op " + std::to_string(static_cast<int>(op));
  const bigresult r = veldran_test::floatmixedmodel(bigfloatof(m), w, integerleft, op);
  if (compound) {
    s.touchedfloat = f;
    floatmodel after = m;
    if (r.result == outcome::value) {
      after = floatof(r, m.length);
      after.hassign = m.hassign;
      after.value.hassign = m.value.hassign;
      after.value.overflowthrows = m.value.overflowthrows;
    }
    expectoutcome(r.result, 0, [&] {
      withwhole(p, [&](auto v) {
        veldran_test::applycompound(op, s.floats[f], v);
        return 0;
      });
    });
    s.floatmodels[f] = after;
    return;
  }
  expectresult<fixedfloat>(
      r, m.length,
      [&] {
        return withwhole(
            p, [&](auto v) { return veldran_test::applymixed(op, integerleft, s.floats[f], v); });
      },
      [&](const fixedfloat& x) { verify(x, floatof(r, m.length), "result"); });
}

void compareinteger(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const picked p = pickwhole(in);
  const wholemodel w = modelof(p);
  begin("comparison with an integer");
  current.argument = textof(p);
  const bool isfloat = (b & 1) != 0;
  const std::size_t slot = (b >> 1) % (isfloat ? kFloatSlots : kIntSlots);
  const bigintmodel x =
      isfloat ? bigmodelof(s.floatmodels[slot].value) : bigmodelof(s.intmodels[slot]);
  withoperand(isfloat ? s.floatmodels[slot].value : s.intmodels[slot]);
  const bigresult y = veldran_test::integermodel(w, x.size, isfloat ? x.size / 2 : 0);
  const long long before = logsize();
  expectoutcome(y.result, 0, [&] {
    const std::string got = withwhole(p, [&](auto v) {
      return isfloat ? veldran_test::comparisons(s.floats[slot], v)
                     : veldran_test::comparisons(s.ints[slot], v);
    });
    FUZZ_CHECK(got == veldran_test::comparisonsmodel(x, y.value), "comparisons " + got);
  });
  FUZZ_CHECK(logsize() == before, "a comparison wrote to the log");
}

void integerout(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const rounding mode = pickrounding(b >> 2);
  const bool isfloat = (b & 1) != 0;
  begin(isfloat ? "fixedfloat tolonglong" : "fixedint tolonglong");
  const std::size_t slot = (b >> 5) % (isfloat ? kFloatSlots : kIntSlots);
  const intmodel& m = isfloat ? s.floatmodels[slot].value : s.intmodels[slot];
  withoperand(m);
  const unsigned long long fraction = isfloat ? s.floatmodels[slot].length / 2 : 0;
  const std::string want =
      veldran_test::tolonglongmodel(bigmodelof(m), fraction, isfloat ? mode : rounding::towardzero);
  const long long before = logsize();
  std::string got;
  try {
    got = std::to_string(isfloat ? s.floats[slot].tolonglong(mode) : s.ints[slot].tolonglong());
  } catch (const std::overflow_error& error) {
    got = std::string("overflow_error: ") + error.what();
  }
  FUZZ_CHECK(got == want, "gave " + got + ", expected " + want);
  FUZZ_CHECK(logsize() == before, "tolonglong wrote to the log");
}

// fixedint(size, x) or fixedfloat(length, f, mode), kept in the slot.
void convertlength(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  if ((b & 1) == 0) {
    const std::size_t a = (b >> 1) % kIntSlots;
    const unsigned long long size = picksize(in, s);
    begin("fixedint in another size");
    withoperand(s.intmodels[a]);
    current.argument = std::to_string(size);
    const bigintmodel x = bigmodelof(s.intmodels[a]);
    const bigresult r = veldran_test::madeof(size, x.magnitude, x.negative);
    expectresult<fixedint>(
        r, size, [&] { return fixedint(size, s.ints[a]); },
        [&](const fixedint& made) {
          verify(made, intresult(r), "result");
          keepint(s, a, made, intresult(r));
        });
    return;
  }
  const std::size_t f = (b >> 1) % kFloatSlots;
  const unsigned long long length = picklength(in, s);
  const rounding mode = pickrounding(b >> 3);
  begin("fixedfloat in another length");
  withoperand(s.floatmodels[f].value);
  current.argument = std::to_string(length) + ", " + veldran_test::roundingname(mode);
  const bigresult r = veldran_test::floatresizemodel(bigfloatof(s.floatmodels[f]), length, mode);
  expectresult<fixedfloat>(
      r, length, [&] { return fixedfloat(length, s.floats[f], mode); },
      [&](const fixedfloat& made) {
        verify(made, floatof(r, length), "result");
        keepfloat(s, f, made, floatof(r, length));
      });
}

// fixedfloat(length, x, mode) for a double from the input's bits.
void doublein(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::size_t f = b % kFloatSlots;
  const rounding mode = pickrounding(b >> 2);
  const unsigned long long length = picklength(in, s);
  const double x = in.raw<double>();
  begin("fixedfloat from a double");
  current.argument =
      std::to_string(x) + " at " + std::to_string(length) + ", " + veldran_test::roundingname(mode);
  if (!std::isfinite(x)) {
    expectthrow<std::domain_error>([&] { fixedfloat(length, x, mode); }, "Float is not finite!");
    return;
  }
  const bigresult r = veldran_test::doublemodel(x, length, mode);
  expectresult<fixedfloat>(
      r, length, [&] { return fixedfloat(length, x, mode); },
      [&](const fixedfloat& made) {
        verify(made, floatof(r, length), "result");
        keepfloat(s, f, made, floatof(r, length));
      });
}

}  // namespace

void integers(reader& in, state& s) {
  switch (in.byte() % 6) {
    case 0:
      integerin(in, s);
      break;
    case 1:
      mixed(in, s);
      break;
    case 2:
      compareinteger(in, s);
      break;
    case 3:
      integerout(in, s);
      break;
    case 4:
      convertlength(in, s);
      break;
    default:
      doublein(in, s);
      break;
  }
}

}  // namespace veldran_fuzz
