#include <gtest/gtest.h>

#include "decimal/fixedfloat"

TEST(Smoke, Builds) {
  VELDRAN::fixedint a(4, -305);
  EXPECT_EQ(a.asstring(), "-305");
}
