// Demonstration: adds 0.123 and 78.9, prints the sum, then ends through
// std::terminate so that the crash report writes the whole log to
// "logs/veldran.log".
#include <exception>
#include <iostream>

#include "decimal/fixedfloat"

int main() {
  VELDRAN::fixedfloat first(8);
  VELDRAN::fixedfloat second(8);
  first = 0.123F;
  second = 78.9F;
  std::cout << (first + second).asstring() << std::endl;
  std::terminate();
}
