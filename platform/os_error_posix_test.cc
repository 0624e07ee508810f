#include <gtest/gtest.h>

#include <cerrno>

#include "platform/os_error.h"

namespace {

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
