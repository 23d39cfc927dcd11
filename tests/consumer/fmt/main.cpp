// Money through {fmt}, with the formatter header as installed.
#include <iostream>
#include <string>

#include "decimal/fixedfloat"
#include "decimal/fixedint"
#include "decimal/fmtformat"

int main() {
  const VELDRAN::fixedfloat price(8, "1259.6");
  const VELDRAN::fixedint count(4, 12);
  const std::string text = fmt::format("{} x {:>10.2f}|{:.2}", count, price, price);
  std::cout << text << '\n';
  return text == "12 x    1259.60|1259.60" ? 0 : 1;
}
