// The drive root on POSIX: $DRIVE_ROOT when it is set and not empty, else
// the root of the mounted file system that holds the current directory.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/drive_path.h"

namespace {

// While pinned: the current directory's name, and the host paths of the
// names that needed the drive root, as they were found.
struct PinnedPaths {
  bool pinned = false;
  std::string cwd;
  std::string root;  // "" until asked for
  std::vector<std::pair<std::string, std::string>> host_paths;
};

PinnedPaths& pinnedPaths() {
  static PinnedPaths paths;
  return paths;
}

// Few names are ever pinned: the tools' own files in the drive root.
constexpr size_t kPinnedNames = 16;

std::string currentDirectory() {
  if (pinnedPaths().pinned) return pinnedPaths().cwd;
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return buffer;
}

// The setting as an absolute path; one that does not exist (yet) is taken
// as written, relative to `cwd`.
std::string canonical(const std::string& path, const std::string& cwd) {
  char buffer[PATH_MAX];
  if (realpath(path.c_str(), buffer) != nullptr) return buffer;
  if (path[0] == '/' || cwd[0] != '/') return path;
  return cwd + "/" + path;
}

// Walks up from `dir` while the parent is on the same device. A directory
// that cannot be named (removed, or too deep) has only "/" to stand on.
std::string mountRoot(const std::string& dir) {
  std::string here = dir;
  struct stat st;
  if (here.empty() || here[0] != '/' || stat(here.c_str(), &st) != 0)
    return "/";
  while (here != "/") {
    size_t slash = here.rfind('/');
    std::string parent = slash == 0 ? "/" : here.substr(0, slash);
    struct stat up;
    if (stat(parent.c_str(), &up) != 0 || up.st_dev != st.st_dev) break;
    here = parent;
  }
  return here;
}

// The root is looked up once per (setting, directory) pair: the tools ask
// for it on every scratch-file operation.
struct RootCache {
  std::string setting;
  std::string cwd;
  std::string root;
  bool valid = false;
};

// True when the setting names the same directory from everywhere.
bool isAbsoluteSetting(const std::string& setting) {
  return !setting.empty() && setting[0] == '/';
}

std::string settingNow() {
  const char* env = getenv("DRIVE_ROOT");
  return env != nullptr ? env : "";
}

std::string rootFor(const std::string& setting, const std::string& cwd) {
  static RootCache cache;
  if (cache.valid && cache.setting == setting &&
      (isAbsoluteSetting(setting) || cache.cwd == cwd)) {
    return cache.root;
  }
  std::string root = setting.empty() ? mountRoot(cwd) : canonical(setting, cwd);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  cache = RootCache{setting, cwd, root, true};
  return root;
}

// True when some part of the name is "..".
bool climbs(std::string_view name) {
  for (size_t at = name.find(".."); at != std::string_view::npos;
       at = name.find("..", at + 1)) {
    bool starts = at == 0 || isNameSeparator(name[at - 1]);
    bool ends = at + 2 == name.size() || isNameSeparator(name[at + 2]);
    if (starts && ends) return true;
  }
  return false;
}

}  // namespace

void pinDrivePaths() {
  PinnedPaths& paths = pinnedPaths();
  paths.pinned = false;
  paths.cwd = currentDirectory();
  paths.root.clear();
  paths.host_paths.clear();
  paths.pinned = true;
}

void unpinDrivePaths() {
  pinnedPaths().pinned = false;
  pinnedPaths().host_paths.clear();
}

std::string driveRoot() {
  PinnedPaths& pinned = pinnedPaths();
  if (pinned.pinned && !pinned.root.empty()) return pinned.root;
  std::string setting = settingNow();
  std::string root =
      rootFor(setting, isAbsoluteSetting(setting) ? "" : currentDirectory());
  if (pinned.pinned) pinned.root = root;
  return root;
}

std::string driveRootHint() {
  if (!settingNow().empty()) return "";
  return "the drive root is " + driveRoot() +
         ", the root of the file system that holds this directory; "
         "DRIVE_ROOT chooses another.";
}

namespace {

// The host path of a name that needs the drive root.
std::string mappedHostPath(std::string_view name, bool rooted) {
  std::string setting = settingNow();
  if (rooted && isAbsoluteSetting(setting))
    return mapDriveName(rootFor(setting, ""), "", name);
  std::string cwd = currentDirectory();
  return mapDriveName(rootFor(setting, cwd), cwd, name);
}

}  // namespace

std::string hostPath(std::string_view name) {
  // The tools name their files many times per list entry: most names need
  // neither the current directory nor a look at the mounts.
  bool rooted = !name.empty() && isNameSeparator(name[0]);
  if (!rooted && !climbs(name)) {
    std::string path(name);
    for (char& c : path)
      if (c == '\\') c = '/';
    return path;
  }
  PinnedPaths& pinned = pinnedPaths();
  if (pinned.pinned) {
    for (const auto& [pinned_name, path] : pinned.host_paths)
      if (pinned_name == name) return path;
  }
  std::string path = mappedHostPath(name, rooted);
  if (pinned.pinned && pinned.host_paths.size() < kPinnedNames)
    pinned.host_paths.emplace_back(std::string(name), path);
  return path;
}

std::string absoluteHostPath(std::string_view name) {
  std::string path = hostPath(name);
  if (!path.empty() && path[0] == '/') return path;
  std::string cwd = currentDirectory();
  if (path.empty() || path == ".") return cwd;
  return cwd == "/" ? "/" + path : cwd + "/" + path;
}

std::string displayPath(std::string_view host_path) {
  return mapDisplayPath(driveRoot(), host_path);
}
