// Uses the library's headers by every spelling a consumer may write:
// through the include directory, through its decimal/ subdirectory, and
// the generated version header.
#include <veldran/version.h>

#include <fixedint>
#include <iostream>
#include <string>

#include "decimal/fixedfloat"

#ifndef VELDRAN_EXPECTED_VERSION
#error "build with -DVELDRAN_EXPECTED_VERSION=\"<the veldran project version>\""
#endif

int main() {
  int failures = 0;
  auto expect = [&failures](bool ok, const std::string& what) {
    if (!ok) {
      std::cerr << "FAIL: " << what << '\n';
      ++failures;
    }
  };

  VELDRAN::fixedfloat first(8);
  VELDRAN::fixedfloat second(8);
  first = 0.123F;
  second = 78.9F;
  const std::string sum = (first + second).asstring();
  const std::string integer = VELDRAN::fixedint(4, -305).asstring();
  std::cout << sum << ' ' << integer << ' ' << VELDRAN_VERSION << '\n';
  expect(sum == "79.023", "sum is " + sum + ", expected 79.023");
  expect(integer == "-305", "integer is " + integer + ", expected -305");

  const std::string version = std::to_string(VELDRAN_VERSION_MAJOR) + "." +
                              std::to_string(VELDRAN_VERSION_MINOR) + "." +
                              std::to_string(VELDRAN_VERSION_PATCH);
  expect(std::string(VELDRAN_VERSION) == VELDRAN_EXPECTED_VERSION,
         std::string("VELDRAN_VERSION is ") + VELDRAN_VERSION + ", expected " +
             VELDRAN_EXPECTED_VERSION);
  expect(version == VELDRAN_VERSION, "the version numbers read " + version);

  // The lines the library wrote must be in the log this program sees: one
  // set of globals per process, also when the library is shared.
  expect(VELDRAN::init, "VELDRAN::init is false after the first fixedint");
  expect(VELDRAN::logstream.str().find("Init Successful") != std::string::npos,
         "the set-up lines are missing from VELDRAN::logstream");

  return failures == 0 ? 0 : 1;  // a normal exit: the terminate handler must not run
}
