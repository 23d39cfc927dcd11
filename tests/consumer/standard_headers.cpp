// Built as C++20: the standard headers must still be the standard's once
// the library's include directories are on the path. <version> comes first,
// before anything could have pulled the real one in.
#include <version>
#ifndef __cpp_lib_string_view
#error "<version> is not the standard header: an include directory shadows it"
#endif
#ifdef VELDRAN_VERSION
#error "<version> found the library's version header"
#endif

#include <veldran/version.h>

#include <fixedint>
#include <iostream>
#include <string>

#include "decimal/fixedfloat"
#include "diagnostics/log"

int main() {
  const VELDRAN::fixedfloat price(8, "19.99");
  const std::string text = price.asstring(3);
  std::cout << text << ' ' << VELDRAN_VERSION << '\n';
  return text == "19.990" && VELDRAN::fixedint(4, "-7").asstring() == "-7" ? 0 : 1;
}
