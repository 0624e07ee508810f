// Faults on demand over the layers below.
#include "testing/failing_os.h"

#include <new>

ErrorNumber FailingOs::faultFor(Caller caller, Operation operation,
                                const std::string& name,
                                std::string_view bytes) {
  for (size_t i = 0; i < faults_.size(); ++i) {
    const Fault& fault = faults_[i];
    bool names = operation == Operation::kRun
                     ? name.find(fault.name) != std::string::npos
                     : name.size() >= fault.name.size() &&
                           name.compare(name.size() - fault.name.size(),
                                        fault.name.size(), fault.name) == 0;
    if (fault.operation != operation || fault.caller != caller || !names)
      continue;
    if (bytes.find(fault.text) == std::string_view::npos) continue;
    if (++seen_[i] != fault.nth) continue;
    if (fault.number == kOutOfMemory) throw std::bad_alloc();
    return fault.number;
  }
  return kNoError;
}

ErrorNumber FailingOs::run(std::string_view command_line, int* exit_code) {
  if (ErrorNumber error = faultFor(Caller::kTools, Operation::kRun,
                                   std::string(command_line))) {
    *exit_code = 0;
    return error;
  }
  return commands_->run(command_line, exit_code);
}

FsStatus FailingOs::Files::open(const std::string& host_path, FileMode mode,
                                OsFile* file, LinkRule links) {
  if (ErrorNumber error = faultFor(Operation::kOpen, host_path)) return error;
  FsStatus status = below_.open(host_path, mode, file, links);
  if (status == kNoError) pathOf(*file) = host_path;
  return status;
}

FsStatus FailingOs::Files::read(const OsFile& file, char* buffer, size_t size,
                                size_t* got) {
  if (ErrorNumber error = faultFor(Operation::kRead, pathOf(file))) {
    *got = 0;
    return error;
  }
  return below_.read(file, buffer, size, got);
}

FsStatus FailingOs::Files::write(const OsFile& file, const char* data,
                                 size_t size, size_t* written) {
  if (ErrorNumber error = faultFor(Operation::kWrite, pathOf(file),
                                   std::string_view(data, size))) {
    *written = 0;
    return error;
  }
  return below_.write(file, data, size, written);
}

FsStatus FailingOs::Files::readAt(const OsFile& file, uint64_t offset,
                                  char* buffer, size_t size, size_t* got) {
  if (ErrorNumber error = faultFor(Operation::kRead, pathOf(file))) {
    *got = 0;
    return error;
  }
  return below_.readAt(file, offset, buffer, size, got);
}

FsStatus FailingOs::Files::writeAt(const OsFile& file, uint64_t offset,
                                   const char* data, size_t size,
                                   size_t* written) {
  if (ErrorNumber error = faultFor(Operation::kWrite, pathOf(file),
                                   std::string_view(data, size))) {
    *written = 0;
    return error;
  }
  return below_.writeAt(file, offset, data, size, written);
}

FsStatus FailingOs::Files::truncateHere(const OsFile& file) {
  if (ErrorNumber error = faultFor(Operation::kTruncate, pathOf(file)))
    return error;
  return below_.truncateHere(file);
}

FsStatus FailingOs::Files::setLength(const OsFile& file, uint64_t length) {
  if (ErrorNumber error = faultFor(Operation::kTruncate, pathOf(file)))
    return error;
  return below_.setLength(file, length);
}

bool FailingOs::Files::reserve(const OsFile& file, uint64_t size) {
  return below_.reserve(file, size);
}

bool FailingOs::Files::writeLater(const OsFile& file,
                                  std::function<std::string()> text,
                                  size_t room) {
  return below_.writeLater(file, std::move(text), room);
}

FsStatus FailingOs::Files::close(const OsFile& file) {
  std::string path = pathOf(file);
  paths_.erase({file.layer, file.handle});
  // The file is closed all the same, so that nothing stays held.
  FsStatus real = below_.close(file);
  if (ErrorNumber error = faultFor(Operation::kClose, path)) return error;
  return real;
}

void FailingOs::Files::discard(const OsFile& file) {
  paths_.erase({file.layer, file.handle});
  below_.discard(file);
}

FsStatus FailingOs::Files::stat(const std::string& host_path, Follow follow,
                                FileStatus* status) {
  if (ErrorNumber error = faultFor(Operation::kStat, host_path)) return error;
  return below_.stat(host_path, follow, status);
}

FsStatus FailingOs::Files::statOpen(const OsFile& file, FileStatus* status) {
  if (ErrorNumber error = faultFor(Operation::kStat, pathOf(file)))
    return error;
  return below_.statOpen(file, status);
}

bool FailingOs::Files::isOwnPlainFile(const std::string& host_path) {
  if (faultFor(Operation::kStat, host_path) != kNoError) return false;
  return below_.isOwnPlainFile(host_path);
}

FsStatus FailingOs::Files::remove(const std::string& host_path) {
  if (ErrorNumber error = faultFor(Operation::kRemove, host_path)) return error;
  return below_.remove(host_path);
}

FsStatus FailingOs::Files::listDirectory(const std::string& host_path,
                                         DirectoryVisitor& visitor) {
  if (ErrorNumber error = faultFor(Operation::kList, host_path)) return error;
  return below_.listDirectory(host_path, visitor);
}

FsStatus FailingOs::Files::lockDriveRoot(const std::string& root,
                                         const std::function<void()>& waiting,
                                         OsFile* lock) {
  if (ErrorNumber error = faultFor(Operation::kLock, root)) return error;
  FsStatus status = below_.lockDriveRoot(root, waiting, lock);
  if (status == kNoError) pathOf(*lock) = root;
  return status;
}

uint64_t FailingOs::Files::freeBytes(const std::string& host_path) {
  return below_.freeBytes(host_path);
}

OsFile FailingOs::Files::standardOutput() { return below_.standardOutput(); }
