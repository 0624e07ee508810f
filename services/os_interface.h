// Every file and command operation of a tool run goes through this one
// interface: the file table's opens, reads, writes and closes, and the
// command lines the tools run. The real one is the platform's own calls; a
// test puts another in its place to make any operation fail on demand.
#ifndef KESTREL_SERVICES_OS_INTERFACE_H_
#define KESTREL_SERVICES_OS_INTERFACE_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "services/error_number.h"
#include "services/os_file.h"

class OsInterface {
 public:
  virtual ~OsInterface() = default;

  [[nodiscard]] virtual ErrorNumber open(const std::string& host_path,
                                         FileMode mode, OsFile* file) = 0;
  [[nodiscard]] virtual ErrorNumber read(const OsFile& file, char* buffer,
                                         size_t size, size_t* got) = 0;
  [[nodiscard]] virtual ErrorNumber write(const OsFile& file, const char* data,
                                          size_t size, size_t* written) = 0;
  [[nodiscard]] virtual ErrorNumber truncateHere(const OsFile& file) = 0;
  [[nodiscard]] virtual ErrorNumber close(const OsFile& file) = 0;
  /// Closes a file that must leave no trace: a `Replace` file is removed.
  virtual void discard(const OsFile& file) = 0;
  /// Runs a command line and waits for it; `*exit_code` is its exit code.
  [[nodiscard]] virtual ErrorNumber run(std::string_view command_line,
                                        int* exit_code) = 0;
};

/// The platform's own calls, one for the whole process.
OsInterface& realOs();

#endif  // KESTREL_SERVICES_OS_INTERFACE_H_
