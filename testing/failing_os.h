// A stand-in for the real file and command operations that fails chosen
// ones on demand: each fault names an operation, the file (or command line)
// it must concern, optionally a text the written bytes must hold, and which
// matching operation fails with which error number. All others are real.
// A fault with kOutOfMemory throws std::bad_alloc instead, as memory that
// runs out inside the operation would.
#ifndef KESTREL_TESTING_FAILING_OS_H_
#define KESTREL_TESTING_FAILING_OS_H_

#include <map>
#include <string>
#include <vector>

#include "services/os_interface.h"

enum class Operation { kOpen, kRead, kWrite, kTruncate, kClose, kRun };

struct Fault {
  Operation operation;
  std::string name;  // the end of the host path, or part of a command line
  std::string text;  // for kWrite: part of the bytes written ("" for any)
  int nth;           // 1 for the first matching operation
  ErrorNumber number;
};

class FailingOs : public OsInterface {
 public:
  explicit FailingOs(std::vector<Fault> faults) : faults_(std::move(faults)) {}

  ErrorNumber open(const std::string& host_path, FileMode mode,
                   OsFile* file) override;
  ErrorNumber read(const OsFile& file, char* buffer, size_t size,
                   size_t* got) override;
  ErrorNumber write(const OsFile& file, const char* data, size_t size,
                    size_t* written) override;
  ErrorNumber truncateHere(const OsFile& file) override;
  ErrorNumber close(const OsFile& file) override;
  void discard(const OsFile& file) override;
  ErrorNumber run(std::string_view command_line, int* exit_code) override;

 private:
  // The number to fail this operation with, or kNoError to do it.
  ErrorNumber faultFor(Operation operation, const std::string& name,
                       std::string_view bytes = {});

  std::vector<Fault> faults_;
  std::vector<int> seen_ = std::vector<int>(faults_.size(), 0);
  std::map<intptr_t, std::string> paths_;  // host path of each open file
};

#endif  // KESTREL_TESTING_FAILING_OS_H_
