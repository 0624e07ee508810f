// Where the tools' file names lie on the host. A name that begins with a
// backslash names a file in the root directory of the current drive; "\" and
// "/" both separate the parts of a name, and ".." never climbs above the
// drive root.
#ifndef KESTREL_PLATFORM_DRIVE_PATH_H_
#define KESTREL_PLATFORM_DRIVE_PATH_H_

#include <memory>
#include <string>
#include <string_view>

/// True for "\" and "/", which both separate the parts of a tool's file
/// name.
inline bool isNameSeparator(char c) { return c == '\\' || c == '/'; }

/// The names of one run: each tool's main makes one and hands it to
/// everything that turns the tools' names into host paths.
class DrivePaths {
 public:
  DrivePaths();
  ~DrivePaths();
  DrivePaths(const DrivePaths&) = delete;
  DrivePaths& operator=(const DrivePaths&) = delete;

  /// The host path of a tool's file name, resolved against the current
  /// directory and the drive root.
  std::string hostPath(std::string_view name);
  /// `hostPath`, made absolute against the current directory when it is
  /// not.
  std::string absoluteHostPath(std::string_view name);

  /// While pinned, the current directory's name and the host path of each
  /// name in the drive root are looked up once instead of every time: a run
  /// that holds the drive root changes neither and names its scratch files
  /// many times per list entry. Only names are kept; a relative name is
  /// still found from the current directory itself.
  void pin();
  void unpin();

  /// The host directory that stands for the root of the current drive.
  std::string root();
  /// After a failure to write in the drive root: one line that tells how
  /// the drive root is chosen ("the drive root is ..."), when it was not
  /// chosen by the user; else "". A tool puts its name in front.
  std::string rootHint();
  /// A host path as the tools' own listings show it ("C:\SUB\DIR").
  std::string displayPath(std::string_view host_path);

 private:
  // What one platform keeps between calls.
  struct State;
  std::unique_ptr<State> state_;
};

/// Pure mapping behind `hostPath`: `root` is the drive root and `cwd` the
/// current directory, both absolute host paths without a trailing "/".
/// A rooted name starts at `root`; a relative one at `cwd`, and when `cwd`
/// lies below `root`, ".." stops at `root`.
std::string mapDriveName(std::string_view root, std::string_view cwd,
                         std::string_view name);

/// Pure mapping behind `displayPath`.
std::string mapDisplayPath(std::string_view root, std::string_view host_path);

#endif  // KESTREL_PLATFORM_DRIVE_PATH_H_
