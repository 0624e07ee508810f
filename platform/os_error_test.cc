#include "platform/os_error.h"

#include <gtest/gtest.h>

namespace {

TEST(OsErrorTest, WindowsCodes) {
  struct {
    unsigned long code;
    int expected;
  } cases[] = {
      {1, 75},
      {16, 75},
      {37, 75},
      {2, 53},
      {18, 53},
      {3, 76},
      {4, 67},
      {5, 70},
      {19, 70},
      {32, 70},
      {33, 70},
      {36, 70},
      {6, 51},
      {11, 51},
      {12, 51},
      {13, 51},
      {22, 51},
      {24, 51},
      {7, 241},
      {9, 241},
      {10, 241},
      {8, 7},
      {14, 7},
      {15, 68},
      {20, 68},
      {17, 74},
      {21, 71},
      {23, 72},
      {25, 72},
      {26, 72},
      {27, 72},
      {28, 72},
      {29, 72},
      {30, 72},
      {31, 72},
      {34, 72},
      {35, 72},
      {38, 62},
      {39, 61},
      {87, 5},
      {112, 61},
      // Every other code from 40 on.
      {40, 75},
      {50, 75},
      {80, 75},
      {86, 75},
      {88, 75},
      {111, 75},
      {113, 75},
      {183, 75},
      {267, 75},
      {1921, 75},
      {0xFFFFFFFFul, 75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(c.expected, errorFromWindowsCode(c.code));
  }
}

TEST(OsErrorTest, NoCodeIsAnInternalError) {
  // A call that failed without saying why.
  EXPECT_EQ(51, errorFromWindowsCode(0));
}

}  // namespace
