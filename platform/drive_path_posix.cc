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

// Few names are ever pinned: the tools' own files in the drive root.
constexpr size_t kPinnedNames = 16;

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

// True when the setting names the same directory from everywhere.
bool isAbsoluteSetting(const std::string& setting) {
  return !setting.empty() && setting[0] == '/';
}

std::string settingNow() {
  const char* env = getenv("DRIVE_ROOT");
  return env != nullptr ? env : "";
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

// While pinned: the current directory's name, and the host paths of the
// names that needed the drive root, as they were found. And the root as it
// was last looked up for a (setting, directory) pair: the tools ask for it
// on every scratch-file operation.
struct DrivePaths::State {
  bool pinned = false;
  std::string cwd;
  std::string root;  // "" until asked for while pinned
  std::vector<std::pair<std::string, std::string>> host_paths;

  struct RootCache {
    std::string setting;
    std::string cwd;
    std::string root;
    bool valid = false;
  } cache;

  std::string currentDirectory() const;
  std::string rootFor(const std::string& setting, const std::string& cwd);
  std::string mappedHostPath(std::string_view name, bool rooted);
};

std::string DrivePaths::State::currentDirectory() const {
  if (pinned) return cwd;
  char buffer[PATH_MAX];
  if (getcwd(buffer, sizeof buffer) == nullptr) return ".";
  return buffer;
}

std::string DrivePaths::State::rootFor(const std::string& setting,
                                       const std::string& dir) {
  if (cache.valid && cache.setting == setting &&
      (isAbsoluteSetting(setting) || cache.cwd == dir)) {
    return cache.root;
  }
  std::string found =
      setting.empty() ? mountRoot(dir) : canonical(setting, dir);
  while (found.size() > 1 && found.back() == '/') found.pop_back();
  cache = RootCache{setting, dir, found, true};
  return found;
}

// The host path of a name that needs the drive root.
std::string DrivePaths::State::mappedHostPath(std::string_view name,
                                              bool rooted) {
  std::string setting = settingNow();
  if (rooted && isAbsoluteSetting(setting))
    return mapDriveName(rootFor(setting, ""), "", name);
  std::string dir = currentDirectory();
  return mapDriveName(rootFor(setting, dir), dir, name);
}

DrivePaths::DrivePaths() : state_(std::make_unique<State>()) {}
DrivePaths::~DrivePaths() = default;

void DrivePaths::pin() {
  state_->pinned = false;
  state_->cwd = state_->currentDirectory();
  state_->root.clear();
  state_->host_paths.clear();
  state_->pinned = true;
}

void DrivePaths::unpin() {
  state_->pinned = false;
  state_->host_paths.clear();
}

std::string DrivePaths::root() {
  State& s = *state_;
  if (s.pinned && !s.root.empty()) return s.root;
  std::string setting = settingNow();
  std::string found = s.rootFor(
      setting, isAbsoluteSetting(setting) ? "" : s.currentDirectory());
  if (s.pinned) s.root = found;
  return found;
}

std::string DrivePaths::rootHint() {
  if (!settingNow().empty()) return "";
  return "the drive root is " + root() +
         ", the root of the file system that holds this directory; "
         "DRIVE_ROOT chooses another.";
}

std::string DrivePaths::hostPath(std::string_view name) {
  // The tools name their files many times per list entry: most names need
  // neither the current directory nor a look at the mounts.
  bool rooted = !name.empty() && isNameSeparator(name[0]);
  if (!rooted && !climbs(name)) {
    std::string path(name);
    for (char& c : path)
      if (c == '\\') c = '/';
    return path;
  }
  State& s = *state_;
  if (s.pinned) {
    for (const auto& [pinned_name, path] : s.host_paths)
      if (pinned_name == name) return path;
  }
  std::string path = s.mappedHostPath(name, rooted);
  if (s.pinned && s.host_paths.size() < kPinnedNames)
    s.host_paths.emplace_back(std::string(name), path);
  return path;
}

std::string DrivePaths::absoluteHostPath(std::string_view name) {
  std::string path = hostPath(name);
  if (!path.empty() && path[0] == '/') return path;
  std::string dir = state_->currentDirectory();
  if (path.empty() || path == ".") return dir;
  return dir == "/" ? "/" + path : dir + "/" + path;
}

std::string DrivePaths::displayPath(std::string_view host_path) {
  return mapDisplayPath(root(), host_path);
}
