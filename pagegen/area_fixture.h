// A throw-away file area for end-to-end runs of the tools: a drive root of
// its own with the area directory below it, files with set modification
// times, and a run of a tool binary there without a terminal.
#ifndef KESTREL_PAGEGEN_AREA_FIXTURE_H_
#define KESTREL_PAGEGEN_AREA_FIXTURE_H_

#include <string>
#include <vector>

class AreaFixture {
 public:
  AreaFixture();
  ~AreaFixture();

  /// The drive root and the area directory (a subdirectory "AREA" of it).
  const std::string& root() const { return root_; }
  const std::string& area() const { return area_; }

  /// Writes `bytes` into `path`, relative to the area (or absolute).
  void write(const std::string& path, const std::string& bytes) const;
  /// Creates a directory, relative to the area (or absolute).
  void makeDirectory(const std::string& path) const;
  /// Sets the modification time (UTC "YYYY-MM-DD hh:mm").
  void setTime(const std::string& path, const std::string& utc) const;
  /// The bytes of a file ("" when missing).
  std::string read(const std::string& path) const;
  bool exists(const std::string& path) const;
  std::string absolute(const std::string& path) const;

  struct Result {
    int exit_code = -1;
    std::string out;
    std::string err;
  };
  /// Runs `program` with `args` in the area, DRIVE_ROOT at the root, TZ=UTC,
  /// in a session of its own (no terminal), standard input from /dev/null.
  /// `as_nobody` drops to the unprivileged user first.
  Result run(const std::string& program, const std::vector<std::string>& args,
             bool as_nobody = false) const;

 private:
  std::string root_;
  std::string area_;
};

#endif  // KESTREL_PAGEGEN_AREA_FIXTURE_H_
