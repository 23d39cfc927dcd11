// What the fuzz target's rooms share: the model checks and the failure
// report that names the operation, the input reader, the slots of one run,
// and the operations each room offers the dispatcher in target.cpp.
#ifndef VELDRAN_FUZZ_SHARED_H
#define VELDRAN_FUZZ_SHARED_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "support/model.h"

namespace veldran_fuzz {

using VELDRAN::fixedfloat;
using VELDRAN::fixedint;
using VELDRAN::rounding;
using veldran_test::addition;
using veldran_test::addmodel;
using veldran_test::bigfloatmodel;
using veldran_test::bigintmodel;
using veldran_test::bigmodelof;
using veldran_test::bigresult;
using veldran_test::decimal;
using veldran_test::divisionpart;
using veldran_test::floatmodel;
using veldran_test::floattext;
using veldran_test::floattextmodel;
using veldran_test::freshfloat;
using veldran_test::freshint;
using veldran_test::intmodel;
using veldran_test::inttextmodel;
using veldran_test::magnitudeof;
using veldran_test::message;
using veldran_test::modelequal;
using veldran_test::modelgreater;
using veldran_test::mulmodel;
using veldran_test::multiplication;
using veldran_test::outcome;
using veldran_test::places;
using veldran_test::pow10;
using veldran_test::smallmodelof;
using veldran_test::u128;

constexpr unsigned kMaxPlaces = 36;
constexpr std::size_t kIntSlots = 4;
constexpr std::size_t kFloatSlots = 3;

// Reports a mismatch in the current operation and aborts.
[[noreturn]] void fail(const std::string& what);

// The message is built only when the condition fails.
#define FUZZ_CHECK(condition, message) \
  do {                                 \
    if (!(condition)) {                \
      fail(message);                   \
    }                                  \
  } while (false)

// Runs `operation`, which must throw exactly `Expected` with `message`.
template <class Expected, class Operation>
void expectthrow(Operation&& operation, const std::string& message) {
  try {
    operation();
  } catch (const std::exception& error) {
    FUZZ_CHECK(typeid(error) == typeid(Expected),
               std::string("threw ") + typeid(error).name() + " (" + error.what() + "), expected " +
                   typeid(Expected).name() + " (" + message + ")");
    FUZZ_CHECK(message == error.what(),
               std::string("message \"") + error.what() + "\", expected \"" + message + "\"");
    return;
  }
  fail("nothing thrown, expected \"" + message + "\"");
}

// --- The operation being checked ------------------------------------------------

// What the current operation works on: its name, up to two operands as
// the model sees them, and the integer, float or count it was given.
struct operationrecord {
  const char* name = "set-up";
  int operands = 0;
  intmodel operand[2];
  std::string argument;
};
extern operationrecord current;

void begin(const char* name);
void withoperand(const intmodel& m);
// The operation being checked, as text; built only for a failure report.
std::string describeoperation();

// --- Checks against the model ---------------------------------------------------

// Checks the record field by field; with `texts` also asstring and
// getshorteneddigits, which allocate and so are left to the touched objects.
void verify(const fixedint& x, const intmodel& m, const std::string& name, bool texts = true);
void verify(const fixedfloat& f, const floatmodel& m, const std::string& name, bool texts = true);

inline const std::string kIntTooBig = "Input int bigger than size!";
// Runs `apply` and checks the outcome the model predicted; a refused
// `text` is quoted in the message.
template <class Operation>
void expectoutcome(outcome predicted, unsigned long long size, Operation&& apply,
                   std::string_view text = {}) {
  switch (predicted) {
    case outcome::value:
      apply();
      break;
    case outcome::lengtherror:
      expectthrow<std::length_error>(apply, message(predicted, size));
      break;
    case outcome::overflow:
      expectthrow<std::overflow_error>(apply, message(predicted, size));
      break;
    case outcome::underflow:
      expectthrow<std::underflow_error>(apply, message(predicted, size));
      break;
    case outcome::outofrange:
    case outcome::inttoobig:
      expectthrow<std::out_of_range>(apply, message(predicted, size));
      break;
    case outcome::malformed:
    case outcome::notwhole:
      // what() ends at a NUL in the text.
      expectthrow<std::invalid_argument>(apply, veldran_test::textmessage(predicted, text).c_str());
      break;
    case outcome::fractiontoobig:
    case outcome::floatlengtherror:
      expectthrow<std::length_error>(apply, message(predicted, size));
      break;
    case outcome::dividebyzero:
      expectthrow<std::domain_error>(apply, message(predicted, size));
      break;
  }
}

// The log's length: text in, text out and comparison must not change it.
long long logsize();
// The messages logged since the log had `before` characters, without their
// time stamps.
std::vector<std::string> messagessince(long long before);
// A text as C source would write it, so that blanks, NULs and other bytes
// show in a failure report.
std::string escaped(std::string_view text);

// What one record made by the count constructor logs in its life.
template <class Number>
std::vector<std::string> onelife(unsigned long long places) {
  const long long before = logsize();
  { const Number x(places); }
  return messagessince(before);
}

// The models of results the big-integer model worked out.
intmodel intresult(const bigresult& r);
floatmodel floatresult(const bigresult& r, unsigned long long length);
bigfloatmodel bigfloatof(const floatmodel& m);

// Runs `operation`, which makes one number, against the model's outcome;
// `take` checks and keeps a result. A result's whole life logs what one
// count-constructed record logs, and nothing else.
template <class Number, class Operation, class Take>
void expectmade(outcome predicted, unsigned long long places, Operation&& operation, Take&& take) {
  const std::vector<std::string> life = onelife<Number>(places);
  const long long before = logsize();
  bool made = false;
  expectoutcome(predicted, 0, [&] {
    const Number result = operation();
    made = true;
    take(result);
  });
  FUZZ_CHECK(!made || messagessince(before) == life,
             "the result logged other lines than one record's life");
}

// --- Input decoding ---------------------------------------------------------------

class reader {
 public:
  reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
  template <class T>
  T raw() {
    unsigned char bytes[sizeof(T)];
    for (auto& b : bytes) {
      b = byte();
    }
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

long long pickinteger(reader& in);
float pickfloat(reader& in);
rounding pickrounding(std::uint8_t b);

// --- The state of one run -----------------------------------------------------------

inline const std::string kIntSlotNames[kIntSlots] = {"int slot 0", "int slot 1", "int slot 2",
                                                     "int slot 3"};
inline const std::string kFloatSlotNames[kFloatSlots] = {"float slot 0", "float slot 1",
                                                         "float slot 2"};

struct state {
  std::vector<fixedint> ints;
  std::vector<intmodel> intmodels;
  std::vector<fixedfloat> floats;
  std::vector<floatmodel> floatmodels;

  // The slots an operation changed; their texts are checked after it.
  std::size_t touchedint = kIntSlots;
  std::size_t touchedfloat = kFloatSlots;

  // Every object, after every operation: a changed operand shows up here.
  void verifyall(bool texts) {
    for (std::size_t i = 0; i < ints.size(); ++i) {
      verify(ints[i], intmodels[i], kIntSlotNames[i], texts);
    }
    for (std::size_t i = 0; i < floats.size(); ++i) {
      verify(floats[i], floatmodels[i], kFloatSlotNames[i], texts);
    }
  }
};

// Mostly the places of an existing slot, so that operands match.
unsigned long long picksize(reader& in, const state& s);
unsigned long long picklength(reader& in, const state& s);

// --- The rooms' operations ----------------------------------------------------------

// One operation: reads its operands from `in`, runs it on the slots of `s`
// and checks it against their models.
using operation = void (*)(reader& in, state& s);

// intbasics.cpp
void newint(reader& in, state& s);
void assigninteger(reader& in, state& s);
void setflags(reader& in, state& s);
void resize(reader& in, state& s);
void shift(reader& in, state& s);
void compare(reader& in, state& s);
void add(reader& in, state& s);
void multiply(reader& in, state& s);
void copy(reader& in, state& s);

// floatbasics.cpp
void newfloat(reader& in, state& s);
void assignfloat(reader& in, state& s);
void addfloats(reader& in, state& s);
void floatfromint(reader& in, state& s);
void intfromfloat(reader& in, state& s);
void floatparts(reader& in, state& s);
void comparefloats(reader& in, state& s);

// text.cpp
// The first whitespace-delimited token, as operator>> into a string reads
// it in the classic locale; empty when there is none.
std::string firsttoken(const std::string& text);
// Text assignment, either by operator= or by operator>> from a stream that
// holds the text, checked against `model`'s outcome for the text; the
// caller checks `target` against the model afterwards, so a refused text
// must leave it unchanged.
template <class Number, class Model>
void assigntext(Number& target, const std::string& text, bool throughstream, const Model& model) {
  const long long before = logsize();
  if (throughstream) {
    // operator>> throws nothing: a refused token sets failbit, and so does
    // a missing one, which the model refuses as the empty text.
    const std::string token = firsttoken(text);
    const bool refused = model(token).result != outcome::value;
    std::istringstream stream(text);
    stream >> target;
    FUZZ_CHECK(
        stream.fail() == refused,
        std::string("operator>> ") + (refused ? "took" : "refused") + " token " + escaped(token));
  } else {
    expectoutcome(
        model(text).result, 0, [&] { target = std::string_view(text); }, text);
  }
  FUZZ_CHECK(logsize() == before, "text assignment wrote to the log");
}

void assigninttext(reader& in, state& s);
void assignfloattext(reader& in, state& s);
void roundtrip(reader& in, state& s);

// arithmetic.cpp
void intarithmetic(reader& in, state& s);
void inttodouble(reader& in, state& s);
void floatarithmetic(reader& in, state& s);
void floattodouble(reader& in, state& s);

// compound.cpp
void intcompound(reader& in, state& s);
void floatcompound(reader& in, state& s);

// --- Families behind the family opcode (kFamilies in target.cpp) ------------------

// Family 1: integers in and out, lengths and doubles.
void integers(reader& in, state& s);

// Family 2: text grammar.
void textgrammar(reader& in, state& s);

// Family 3: money helpers: allocate, cash rounding, formatting.
// money.cpp
void money(reader& in, state& s);

// Family 4: mathematics: pow, sqrt, exp, ln.
void mathematics(reader& in, state& s);

}  // namespace veldran_fuzz

#endif  // VELDRAN_FUZZ_SHARED_H
