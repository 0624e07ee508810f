#include "services/os_error.h"

#include <gtest/gtest.h>

#include <cerrno>

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

TEST(OsErrorTest, SystemCodesMatchTheWindowsMeaning) {
  struct {
    int code;
    const char* name;
    int expected;
  } cases[] = {
      {ENOENT, "ENOENT", 53},
      {ENOTDIR, "ENOTDIR", 76},
      {EACCES, "EACCES", 70},
      {EPERM, "EPERM", 70},
      {EROFS, "EROFS", 70},
      {ETXTBSY, "ETXTBSY", 70},
      {EWOULDBLOCK, "EWOULDBLOCK", 70},
      {EISDIR, "EISDIR", 75},
      {ENOSPC, "ENOSPC", 61},
      {EDQUOT, "EDQUOT", 61},
      {EFBIG, "EFBIG", 61},
      {EMFILE, "EMFILE", 67},
      {ENFILE, "ENFILE", 67},
      {ENOMEM, "ENOMEM", 7},
      {EINVAL, "EINVAL", 5},
      {EBADF, "EBADF", 51},
      {EIO, "EIO", 72},
      {ENXIO, "ENXIO", 68},
      {ENODEV, "ENODEV", 68},
      {EXDEV, "EXDEV", 74},
      {EEXIST, "EEXIST", 75},
      {ENAMETOOLONG, "ENAMETOOLONG", 75},
      {ELOOP, "ELOOP", 75},
      {ENOEXEC, "ENOEXEC", 75},
      {ENOTEMPTY, "ENOTEMPTY", 75},
      {EBUSY, "EBUSY", 75},
      {ESPIPE, "ESPIPE", 72},
      // A code with no counterpart is a generic access failure.
      {EDOM, "EDOM", 75},
      {0, "0", 75},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, errorFromSystemCode(c.code));
  }
}

}  // namespace
