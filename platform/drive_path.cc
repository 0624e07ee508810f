// Name mapping between the tools' drive-style names and host paths.
#include "platform/drive_path.h"

#include <vector>

namespace {

// Splits on both separators, dropping empty parts and ".".
std::vector<std::string_view> splitParts(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && isNameSeparator(path[i])) ++i;
    size_t start = i;
    while (i < path.size() && !isNameSeparator(path[i])) ++i;
    std::string_view part = path.substr(start, i - start);
    if (!part.empty() && part != ".") parts.push_back(part);
  }
  return parts;
}

// True when `path` is `root` or lies below it.
bool isBelow(std::string_view root, std::string_view path) {
  if (root == "/") return !path.empty() && path[0] == '/';
  if (path.substr(0, root.size()) != root) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

std::string joinUnder(std::string_view root,
                      const std::vector<std::string_view>& parts) {
  std::string out(root == "/" ? "" : root);
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

}  // namespace

std::string mapDriveName(std::string_view root, std::string_view cwd,
                         std::string_view name) {
  bool rooted = !name.empty() && isNameSeparator(name[0]);
  if (!rooted && !isBelow(root, cwd)) {
    // Outside the drive there is nothing to stop at: keep the name relative.
    std::string out(name);
    for (char& c : out)
      if (c == '\\') c = '/';
    return out;
  }
  std::vector<std::string_view> parts;
  if (!rooted) {
    std::string_view below = cwd.substr(root == "/" ? 0 : root.size());
    parts = splitParts(below);
  }
  for (std::string_view part : splitParts(name)) {
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
  }
  return joinUnder(root, parts);
}

std::string mapDisplayPath(std::string_view root, std::string_view host_path) {
  if (!isBelow(root, host_path)) return std::string(host_path);
  std::string out = "C:\\";
  std::vector<std::string_view> parts =
      splitParts(host_path.substr(root == "/" ? 0 : root.size()));
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '\\';
    out += parts[i];
  }
  return out;
}
