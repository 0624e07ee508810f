// The real operations: the platform's file calls and command runner.
#include "services/os_interface.h"

#include "services/command.h"

namespace {

class RealOs : public OsInterface {
 public:
  ErrorNumber open(const std::string& host_path, FileMode mode,
                   OsFile* file) override {
    return osOpen(host_path, mode, file);
  }
  ErrorNumber read(const OsFile& file, char* buffer, size_t size,
                   size_t* got) override {
    return osRead(file, buffer, size, got);
  }
  ErrorNumber write(const OsFile& file, const char* data, size_t size,
                    size_t* written) override {
    return osWrite(file, data, size, written);
  }
  ErrorNumber truncateHere(const OsFile& file) override {
    return osTruncateHere(file);
  }
  ErrorNumber close(const OsFile& file) override { return osClose(file); }
  void discard(const OsFile& file) override { osDiscard(file); }
  ErrorNumber run(std::string_view command_line, int* exit_code) override {
    return startCommand(command_line, exit_code);
  }
};

}  // namespace

OsInterface& realOs() {
  static RealOs os;
  return os;
}
