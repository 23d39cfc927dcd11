// Differential fuzz target: decodes the input into a sequence of operations
// on a few fixedint and fixedfloat objects and checks every result, every
// exception and every operand left behind against a model that keeps the
// same numbers as 128-bit magnitudes with separate sign and flag bits.
// This file owns the set-up of a run, the dispatcher and the checks after
// each operation; the operations live in rooms by subject (shared.h).
//
// Input layout (bytes read front to back, zero once the input runs out):
//   byte 0   the number of places every fixedint slot starts with
//   byte 1   the length every fixedfloat slot starts with
//   then     operations: one opcode byte followed by its operands. Opcodes
//            below 224 pick the arithmetic and assignment operations, as
//            they did before text came in; 224 to 238 pick the text,
//            round-trip and fixedfloat comparison operations; 239 is
//            followed by a family byte, which picks a family of operations
//            (kFamilies) that reads the rest itself; 240 and up the
//            difference, division, rounding, fixed-point products and
//            quotients, compound assignments and conversions to double,
//            checked against the big-integer model.
//
// Adding a family of operations:
//   1. Write fuzz/<family>.cpp, opening with a comment saying what it owns,
//      with one entry `void <family>(reader& in, state& s)` in namespace
//      veldran_fuzz. It reads its own operation byte and operands from `in`,
//      names what it checks with begin() and withoperand(), checks with
//      FUZZ_CHECK, expectthrow, expectoutcome and verify, keeps the slot
//      models in step with the slots, and sets s.touchedint or s.touchedfloat
//      for a slot it changes. CMake takes every fuzz/*.cpp by itself.
//   2. Declare the entry in shared.h, under its family's line.
//   3. Put the entry in its slot of kFamilies, in place of the nullptr.
//   A seed in fuzz/corpus for it reads: two set-up bytes, then 239, the
//   family's number, and the family's own bytes.
// The slots are fixed, so families landing side by side touch different
// lines and every input keeps its meaning when another family lands.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <typeinfo>

#include "diagnostics/log"
#include "shared.h"

namespace veldran_fuzz {

namespace {

constexpr int kMaxOperations = 64;

// The families behind kFamilyOpcode, by the byte after it modulo
// kFamilySlots; an empty slot reads that byte and does nothing.
constexpr std::size_t kFamilySlots = 8;
const operation kFamilies[kFamilySlots] = {
    // 0: stays empty, as an input that has run out reads zeros.
    nullptr,

    // 1: integers in and out, lengths and doubles.
    integers,

    // 2: text grammar.
    textgrammar,

    // 3: money helpers: allocate, cash rounding, formatting.
    money,

    // 4: mathematics: pow, sqrt, exp, ln.
    mathematics,

    // 5 to 7: free.
    nullptr,

    nullptr,

    nullptr,
};

void family(reader& in, state& s) {
  const operation chosen = kFamilies[in.byte() % kFamilySlots];
  if (chosen != nullptr) {
    chosen(in, s);
  }
}

void run(const std::uint8_t* data, std::size_t size) {
  reader in(data, size);
  state s;
  s.ints.reserve(kIntSlots);
  s.floats.reserve(kFloatSlots);
  begin("set-up");
  const unsigned long long places = 1 + in.byte() % kMaxPlaces;
  const unsigned long long length = 2 * (1 + in.byte() % (kMaxPlaces / 2));
  for (std::size_t i = 0; i < kIntSlots; ++i) {
    s.ints.emplace_back(places);
    s.intmodels.push_back(freshint(places));
  }
  for (std::size_t i = 0; i < kFloatSlots; ++i) {
    s.floats.emplace_back(length);
    s.floatmodels.push_back(freshfloat(length));
  }

  static const operation kOperations[] = {newint,       assigninteger, setflags,    resize,
                                          shift,        compare,       add,         multiply,
                                          copy,         newfloat,      assignfloat, addfloats,
                                          floatfromint, intfromfloat,  floatparts};
  static const operation kTextOperations[] = {assigninttext, assignfloattext, roundtrip,
                                              comparefloats};
  static const operation kArithmeticOperations[] = {intarithmetic, intarithmetic,   intcompound,
                                                    inttodouble,   floatarithmetic, floatarithmetic,
                                                    floatcompound, floattodouble};
  // The seeds from before the text operations keep their meaning, and
  // those from before the new arithmetic do too unless they use 240 and up.
  // 239 was a second spelling of comparefloats until the families took it.
  constexpr std::uint8_t kFirstTextOpcode = 224;
  constexpr std::uint8_t kFamilyOpcode = 239;
  constexpr std::uint8_t kFirstArithmeticOpcode = 240;
  for (int count = 0; count < kMaxOperations && !in.empty(); ++count) {
    const std::uint8_t op = in.byte();
    s.touchedint = kIntSlots;
    s.touchedfloat = kFloatSlots;
    if (op < kFirstTextOpcode) {
      kOperations[op % (sizeof kOperations / sizeof kOperations[0])](in, s);
    } else if (op == kFamilyOpcode) {
      family(in, s);
    } else if (op >= kFirstArithmeticOpcode) {
      kArithmeticOperations[(op - kFirstArithmeticOpcode) %
                            (sizeof kArithmeticOperations / sizeof kArithmeticOperations[0])](in,
                                                                                              s);
    } else {
      kTextOperations[(op - kFirstTextOpcode) %
                      (sizeof kTextOperations / sizeof kTextOperations[0])](in, s);
    }
    s.verifyall(false);
    if (s.touchedint < kIntSlots) {
      verify(s.ints[s.touchedint], s.intmodels[s.touchedint], kIntSlotNames[s.touchedint]);
    }
    if (s.touchedfloat < kFloatSlots) {
      const std::size_t f = s.touchedfloat;
      verify(s.floats[f], s.floatmodels[f], kFloatSlotNames[f]);
      const std::string text = s.floats[f].asstring();
      const std::string expected = floattext(s.floatmodels[f]);
      FUZZ_CHECK(text == expected,
                 kFloatSlotNames[f] + ": asstring \"" + text + "\", expected \"" + expected + "\"");
    }
  }
  s.verifyall(true);
  begin("final check");
  for (std::size_t i = 0; i < kFloatSlots; ++i) {
    const std::string text = s.floats[i].asstring();
    const std::string expected = floattext(s.floatmodels[i]);
    FUZZ_CHECK(text == expected,
               kFloatSlotNames[i] + ": asstring \"" + text + "\", expected \"" + expected + "\"");
  }
}

}  // namespace

}  // namespace veldran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The log only grows; start every run from an empty one.
  VELDRAN::logstream.str("");
  VELDRAN::logstream.clear();
  try {
    veldran_fuzz::run(data, size);
  } catch (const std::exception& error) {
    veldran_fuzz::fail(std::string("unexpected ") + typeid(error).name() + ": " + error.what());
  }
  VELDRAN::logstream.str("");
  VELDRAN::logstream.clear();
  return 0;
}
