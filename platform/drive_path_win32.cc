// File names on Windows. The system itself takes a name that begins with a
// backslash as one in the root directory of the current drive, separates on
// both "\" and "/" and stops ".." at the root, so names reach it unchanged
// and host paths are already in the form the tools show.
#include <windows.h>

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

std::string hostPath(std::string_view name) { return std::string(name); }

std::string absoluteHostPath(std::string_view name) {
  std::string path = name.empty() ? "." : std::string(name);
  std::string full = fullPath(path);
  return full.empty() ? path : full;
}

// The system maps the names itself, with nothing to look up here.
void pinDrivePaths() {}
void unpinDrivePaths() {}

std::string driveRoot() {
  std::string root = fullPath("\\");
  return root.empty() ? "\\" : root;
}

// The root of the current drive is the only choice there is.
std::string driveRootHint() { return ""; }

std::string displayPath(std::string_view host_path) {
  return std::string(host_path);
}
