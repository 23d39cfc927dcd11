// Family 3, the money helpers: allocate in equal parts and by weights,
// roundkeepingtotal and cash rounding on the float slots, each checked
// against the big-integer model of tests/support/moneymodel.h. A refusal
// logs nothing; otherwise each result's life logs what one record's does.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shared.h"
#include "support/moneymodel.h"

namespace veldran_fuzz {

namespace {

using veldran_test::moneyoutcome;

// What one fixedfloat made by the count constructor logs when it is made,
// and when it is deleted.
struct life {
  std::vector<std::string> making;
  std::vector<std::string> deleting;
};

life onelife(unsigned long long length) {
  const long long before = logsize();
  std::optional<fixedfloat> x(std::in_place, length);
  life lines;
  lines.making = messagessince(before);
  const long long made = logsize();
  x.reset();
  lines.deleting = messagessince(made);
  return lines;
}

// Runs `call` and compares its outcome with the model's; its results are
// all made, then all deleted, and nothing else is logged.
template <class Call>
void expectmoney(const moneyoutcome& expected, unsigned long long length, Call&& call) {
  const life one = onelife(length);
  const long long before = logsize();
  const moneyoutcome got = veldran_test::moneyof(call);
  FUZZ_CHECK(got == expected, "gave \"" + got + "\", expected \"" + expected + "\"");
  std::vector<std::string> making;
  std::vector<std::string> deleting;
  const bool made = expected.empty() || expected.back() == ' ';
  for (const char c : made ? expected : std::string()) {
    if (c == ' ') {
      making.insert(making.end(), one.making.begin(), one.making.end());
      deleting.insert(deleting.end(), one.deleting.begin(), one.deleting.end());
    }
  }
  making.insert(making.end(), deleting.begin(), deleting.end());
  FUZZ_CHECK(messagessince(before) == making, "logged other lines than its results' lives");
}

// The slots at 2-bit fields of `bits`, `count` of them.
std::vector<std::size_t> pickslots(std::uint8_t bits, std::size_t count) {
  std::vector<std::size_t> slots;
  for (std::size_t i = 0; i < count; ++i) slots.push_back((bits >> (2 * i)) % kFloatSlots);
  return slots;
}

}  // namespace

void money(reader& in, state& s) {
  const std::uint8_t b = in.byte();
  const std::uint8_t p = in.byte();
  const std::uint8_t q = in.byte();
  const std::size_t a = (b >> 2) % kFloatSlots;
  const unsigned long long length = s.floatmodels[a].length;
  const unsigned long long places = q % (length / 2 + 2);  // sometimes one too many
  std::vector<std::size_t> slots = pickslots(p, (b >> 4) % 4);
  slots.push_back(a);
  for (const std::size_t slot : slots) {
    if (s.floats[slot].value.digits.size() != s.floats[slot].length) return;
  }
  std::vector<fixedfloat> operands;
  std::vector<bigfloatmodel> models;
  for (std::size_t i = 0; i + 1 < slots.size(); ++i) {
    operands.push_back(s.floats[slots[i]]);
    models.push_back(bigfloatof(s.floatmodels[slots[i]]));
  }
  const fixedfloat& x = s.floats[a];
  const bigfloatmodel xmodel = bigfloatof(s.floatmodels[a]);
  const auto name = [&](const char* operation) {
    begin(operation);
    withoperand(s.floatmodels[a].value);
    current.argument = "places " + std::to_string(places);
  };
  switch (b % 4) {
    case 0: {
      name("allocate in equal parts");
      const std::size_t parts = p % 17;
      bigfloatmodel one;
      one.length = length;
      one.value = veldran_test::freshbig(length);
      one.value.magnitude = veldran_test::bigof(1);
      const std::vector<bigfloatmodel> ones(parts, one);
      expectmoney(veldran_test::allocatemodel(xmodel, ones, places), length,
                  [&] { return x.allocate(parts, places); });
      break;
    }
    case 1:
      name("allocate by weights");
      expectmoney(veldran_test::allocatemodel(xmodel, models, places), length,
                  [&] { return x.allocate(operands, places); });
      break;
    case 2:
      name("roundkeepingtotal");
      operands.push_back(x);
      models.push_back(xmodel);
      expectmoney(veldran_test::keepingtotalmodel(models, places), length,
                  [&] { return VELDRAN::roundkeepingtotal(operands, places); });
      break;
    default: {
      name("cash rounding");
      const std::size_t c = p % kFloatSlots;
      withoperand(s.floatmodels[c].value);
      const rounding mode = pickrounding(q);
      expectmoney(veldran_test::cashmodel(xmodel, bigfloatof(s.floatmodels[c]), mode), length,
                  [&] { return x.rounded(s.floats[c], mode); });
      break;
    }
  }
}

}  // namespace veldran_fuzz
