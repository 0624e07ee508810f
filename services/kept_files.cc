// The registry of kept scratch files: a handful of entries, looked up by
// host path or handle.
#include "services/kept_files.h"

#include "services/os_file.h"

namespace {

struct KeptFile {
  std::string path;
  intptr_t handle = -1;  // -1 until the first open
  bool parked = false;
  KeptState state;
};

std::vector<KeptFile>& keptFiles() {
  static std::vector<KeptFile> files;
  return files;
}

KeptFile* byPath(const std::string& host_path) {
  for (KeptFile& file : keptFiles())
    if (file.path == host_path) return &file;
  return nullptr;
}

void closeParked(KeptFile& file) {
  if (file.parked) (void)osClose(OsFile{file.handle, false});
  file.handle = -1;
  file.parked = false;
}

}  // namespace

void keepFilesOpen(const std::vector<std::string>& host_paths) {
  for (const std::string& path : host_paths)
    if (byPath(path) == nullptr)
      keptFiles().push_back(KeptFile{path, -1, false, KeptState{}});
}

void closeKeptFiles() {
  for (KeptFile& file : keptFiles()) closeParked(file);
  keptFiles().clear();
}

bool wantsKeptFile(const std::string& host_path) {
  KeptFile* file = byPath(host_path);
  return file != nullptr && file->handle == -1;
}

void adoptKeptFile(const std::string& host_path, intptr_t handle,
                   int64_t size) {
  KeptFile* file = byPath(host_path);
  if (file == nullptr || file->handle != -1) return;
  file->handle = handle;
  file->parked = false;
  file->state = KeptState{0, size};
}

intptr_t takeKeptFile(const std::string& host_path) {
  KeptFile* file = byPath(host_path);
  if (file == nullptr || !file->parked) return -1;
  file->parked = false;
  file->state.position = 0;
  return file->handle;
}

KeptState* keptState(intptr_t handle) {
  if (handle == -1) return nullptr;
  for (KeptFile& file : keptFiles())
    if (file.handle == handle && !file.parked) return &file.state;
  return nullptr;
}

bool parkKeptFile(intptr_t handle) {
  if (handle == -1) return false;
  for (KeptFile& file : keptFiles()) {
    if (file.handle == handle && !file.parked) {
      file.parked = true;
      return true;
    }
  }
  return false;
}

void forgetKeptFile(const std::string& host_path) {
  KeptFile* file = byPath(host_path);
  if (file == nullptr) return;
  if (file->parked) {
    closeParked(*file);
  } else {
    file->handle = -1;  // its user closes it as any other file
  }
  // The next open of the name opens the new file and keeps that one.
}
