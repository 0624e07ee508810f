// File names on Windows. The system itself takes a name that begins with a
// backslash as one in the root directory of the current drive, separates on
// both "\" and "/" and stops ".." at the root, so names reach it unchanged
// and host paths are already in the form the tools show.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/drive_path.h"

namespace {

// `name` made absolute by the system against the current directory, or ""
// when the system cannot.
std::string fullPath(const std::string& name) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    DWORD length =
        GetFullPathNameA(name.c_str(), static_cast<DWORD>(buffer.size()),
                         buffer.data(), nullptr);
    if (length == 0) return "";
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    // Too small: `length` is the size needed, terminator included.
    buffer.assign(length, '\0');
  }
}

}  // namespace

// The system maps the names itself, with nothing to keep here.
struct DrivePaths::State {};

DrivePaths::DrivePaths() : state_(std::make_unique<State>()) {}
DrivePaths::~DrivePaths() = default;

std::string DrivePaths::hostPath(std::string_view name) {
  return std::string(name);
}

std::string DrivePaths::absoluteHostPath(std::string_view name) {
  std::string path = name.empty() ? "." : std::string(name);
  std::string full = fullPath(path);
  return full.empty() ? path : full;
}

void DrivePaths::pin() {}
void DrivePaths::unpin() {}

std::string DrivePaths::root() {
  std::string found = fullPath("\\");
  return found.empty() ? "\\" : found;
}

// The root of the current drive is the only choice there is.
std::string DrivePaths::rootHint() { return ""; }

std::string DrivePaths::displayPath(std::string_view host_path) {
  return std::string(host_path);
}
