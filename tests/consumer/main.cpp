// Uses the installed headers by both spellings: through the include
// directory and through its decimal/ subdirectory.
#include <fixedint>

#include "decimal/fixedfloat"

#include <iostream>
#include <string>

int main() {
  VELDRAN::fixedfloat first(8);
  VELDRAN::fixedfloat second(8);
  first = 0.123F;
  second = 78.9F;
  const std::string sum = (first + second).asstring();
  const std::string integer = VELDRAN::fixedint(4, -305).asstring();
  std::cout << sum << ' ' << integer << '\n';
  if (sum != "79.023" || integer != "-305") {
    std::cerr << "expected 79.023 -305\n";
    return 1;
  }
  return 0;  // a normal exit: the terminate handler must not run
}
