// A stand-in for the real file and command operations that fails chosen
// ones on demand: each fault names an operation, the file (or command line)
// it must concern, optionally a text the written bytes must hold, which
// matching operation fails with which error number, and whose operation it
// is: the tools' own (the file table's) or the built-in interpreter's. All
// others are done by the layers below. A fault with kOutOfMemory throws
// std::bad_alloc instead, as memory that runs out inside the operation would.
#ifndef KESTREL_TESTING_FAILING_OS_H_
#define KESTREL_TESTING_FAILING_OS_H_

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/command_runner.h"
#include "platform/file_system.h"
#include "runtime/lookup_shortcut.h"
#include "shell/interpreter.h"
#include "shell/scratch_overlay.h"

enum class Operation {
  kOpen,
  kRead,
  kWrite,
  kTruncate,
  kClose,
  kRun,
  kStat,
  kRemove,
  kList,
  kLock,
};

/// Whose operations a fault concerns.
enum class Caller { kTools, kInterpreter };

struct Fault {
  Operation operation;
  std::string name;  // the end of the host path, or part of a command line
  std::string text;  // for kWrite: part of the bytes written ("" for any)
  int nth;           // 1 for the first matching operation
  ErrorNumber number;
  Caller caller = Caller::kTools;
};

class FailingOs : public CommandRunner {
 public:
  /// Files go to `files`, commands to `commands` (settable later, for a
  /// runner that works on the files of this object itself).
  FailingOs(std::vector<Fault> faults, FileSystem& files,
            CommandRunner& commands)
      : faults_(std::move(faults)),
        tools_(*this, files, Caller::kTools),
        interpreter_(*this, files, Caller::kInterpreter),
        commands_(&commands) {}

  /// The files as the tools see them, and as the interpreter sees them.
  FileSystem& toolFiles() { return tools_; }
  FileSystem& interpreterFiles() { return interpreter_; }
  void runCommandsWith(CommandRunner& commands) { commands_ = &commands; }

  ErrorNumber run(std::string_view command_line, int* exit_code) override;

 private:
  // The file operations of one caller, failed where a fault says so.
  class Files : public FileSystem {
   public:
    Files(FailingOs& owner, FileSystem& below, Caller caller)
        : owner_(owner), below_(below), caller_(caller) {}
    FsStatus open(const std::string& host_path, FileMode mode, OsFile* file,
                  LinkRule links) override;
    FsStatus read(const OsFile& file, char* buffer, size_t size,
                  size_t* got) override;
    FsStatus write(const OsFile& file, const char* data, size_t size,
                   size_t* written) override;
    FsStatus readAt(const OsFile& file, uint64_t offset, char* buffer,
                    size_t size, size_t* got) override;
    FsStatus writeAt(const OsFile& file, uint64_t offset, const char* data,
                     size_t size, size_t* written) override;
    FsStatus truncateHere(const OsFile& file) override;
    FsStatus setLength(const OsFile& file, uint64_t length) override;
    bool reserve(const OsFile& file, uint64_t size) override;
    bool writeLater(const OsFile& file, std::function<std::string()> text,
                    size_t room) override;
    FsStatus close(const OsFile& file) override;
    void discard(const OsFile& file) override;
    FsStatus stat(const std::string& host_path, Follow follow,
                  FileStatus* status) override;
    FsStatus statOpen(const OsFile& file, FileStatus* status) override;
    bool isOwnPlainFile(const std::string& host_path) override;
    FsStatus remove(const std::string& host_path) override;
    FsStatus listDirectory(const std::string& host_path,
                           DirectoryVisitor& visitor) override;
    FsStatus lockDriveRoot(const std::string& root,
                           const std::function<void()>& waiting,
                           OsFile* lock) override;
    uint64_t freeBytes(const std::string& host_path) override;
    OsFile standardOutput() override;

   private:
    ErrorNumber faultFor(Operation operation, const std::string& name,
                         std::string_view bytes = {}) {
      return owner_.faultFor(caller_, operation, name, bytes);
    }
    // The host path of an open file, by the layer and handle it has.
    std::string& pathOf(const OsFile& file) {
      return paths_[{file.layer, file.handle}];
    }

    FailingOs& owner_;
    FileSystem& below_;
    Caller caller_;
    std::map<std::pair<const void*, intptr_t>, std::string> paths_;
  };

  // The number to fail this operation with, or kNoError to do it.
  ErrorNumber faultFor(Caller caller, Operation operation,
                       const std::string& name, std::string_view bytes = {});

  std::vector<Fault> faults_;
  std::vector<int> seen_ = std::vector<int>(faults_.size(), 0);
  Files tools_;
  Files interpreter_;
  CommandRunner* commands_;
};

/// A tool run's layers as the host shell makes them on POSIX, with the
/// failing operations above the scratch overlay: the tools' files and the
/// interpreter's go through them, and every command line too.
struct FailingHost {
  explicit FailingHost(std::vector<Fault> faults)
      : os(std::move(faults), overlay, *runner) {
    os.runCommandsWith(interpreter);
  }
  FileSystem& files() { return os.toolFiles(); }
  DrivePaths& paths() { return drive_paths; }
  CommandRunner& commands() { return os; }
  ScratchFiles& scratch() { return overlay; }
  // Every lookup runs its batch, through the failing operations.
  LookupShortcut& lookups() { return noLookupShortcut(); }

  DrivePaths drive_paths;
  std::unique_ptr<CommandRunner> runner = makePlatformRunner(drive_paths);
  ScratchOverlay overlay{realFileSystem()};
  FailingOs os;
  Interpreter interpreter{os.interpreterFiles(), drive_paths, *runner};
};

#endif  // KESTREL_TESTING_FAILING_OS_H_
