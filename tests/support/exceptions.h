// Checks on the exceptions the library throws: their class and exact text.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace veldran_test {

// The what() text of the Error that `call` throws, or "<nothing thrown>".
// Any other exception escapes and fails the test.
template <typename Error, typename Call>
std::string whatof(Call call) {
  try {
    call();
  } catch (const Error& error) {
    return error.what();
  }
  return "<nothing thrown>";
}

template <typename Error, typename Call>
void expectthrow(Call call, const std::string& message) {
  EXPECT_EQ(whatof<Error>(call), message);
}

}  // namespace veldran_test
