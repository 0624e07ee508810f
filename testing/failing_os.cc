// Faults on demand over the real operations.
#include "testing/failing_os.h"

#include <new>

ErrorNumber FailingOs::faultFor(Operation operation, const std::string& name,
                                std::string_view bytes) {
  for (size_t i = 0; i < faults_.size(); ++i) {
    const Fault& fault = faults_[i];
    bool names = operation == Operation::kRun
                     ? name.find(fault.name) != std::string::npos
                     : name.size() >= fault.name.size() &&
                           name.compare(name.size() - fault.name.size(),
                                        fault.name.size(), fault.name) == 0;
    if (fault.operation != operation || !names) continue;
    if (bytes.find(fault.text) == std::string_view::npos) continue;
    if (++seen_[i] != fault.nth) continue;
    if (fault.number == kOutOfMemory) throw std::bad_alloc();
    return fault.number;
  }
  return kNoError;
}

ErrorNumber FailingOs::open(const std::string& host_path, FileMode mode,
                            OsFile* file) {
  if (ErrorNumber error = faultFor(Operation::kOpen, host_path)) return error;
  ErrorNumber error = realOs().open(host_path, mode, file);
  if (error == kNoError) paths_[file->handle] = host_path;
  return error;
}

ErrorNumber FailingOs::read(const OsFile& file, char* buffer, size_t size,
                            size_t* got) {
  if (ErrorNumber error = faultFor(Operation::kRead, paths_[file.handle])) {
    *got = 0;
    return error;
  }
  return realOs().read(file, buffer, size, got);
}

ErrorNumber FailingOs::write(const OsFile& file, const char* data, size_t size,
                             size_t* written) {
  if (ErrorNumber error = faultFor(Operation::kWrite, paths_[file.handle],
                                   std::string_view(data, size))) {
    *written = 0;
    return error;
  }
  return realOs().write(file, data, size, written);
}

ErrorNumber FailingOs::truncateHere(const OsFile& file) {
  if (ErrorNumber error = faultFor(Operation::kTruncate, paths_[file.handle]))
    return error;
  return realOs().truncateHere(file);
}

ErrorNumber FailingOs::close(const OsFile& file) {
  std::string path = paths_[file.handle];
  paths_.erase(file.handle);
  // The file is closed all the same, so that nothing stays held.
  ErrorNumber real = realOs().close(file);
  if (ErrorNumber error = faultFor(Operation::kClose, path)) return error;
  return real;
}

void FailingOs::discard(const OsFile& file) {
  paths_.erase(file.handle);
  realOs().discard(file);
}

ErrorNumber FailingOs::run(std::string_view command_line, int* exit_code) {
  if (ErrorNumber error =
          faultFor(Operation::kRun, std::string(command_line))) {
    *exit_code = 0;
    return error;
  }
  return realOs().run(command_line, exit_code);
}
