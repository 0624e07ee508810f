// Child processes on POSIX: the named program is started directly with
// posix_spawnp (never through a shell) and waited for.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "platform/drive_path.h"
#include "platform/os_error.h"
#include "platform/posix_io.h"

extern char** environ;

namespace {

// Splits on blanks; a double-quoted stretch stays inside one word.
std::vector<std::string> splitQuotedWords(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if (c == ' ' && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

// True when a directory of the search path holds an entry named `name`.
bool onSearchPath(const std::string& name) {
  const char* path = getenv("PATH");
  std::string dirs = path != nullptr ? path : "/bin:/usr/bin";
  size_t start = 0;
  for (;;) {
    size_t end = dirs.find(':', start);
    std::string dir = dirs.substr(start, end - start);
    struct stat st;
    if (stat(((dir.empty() ? "." : dir) + "/" + name).c_str(), &st) == 0)
      return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

// The error number of a program that could not be started.
ErrorNumber startFailure(const std::string& program, int code) {
  if (code == ENOENT) return missingFileOrPath(program);
  // The search also reports a directory on the path that may not be
  // looked into; when the program is in none of the others, it is missing.
  if (code == EACCES && program.find('/') == std::string::npos &&
      !onSearchPath(program))
    return kFileNotFound;
  return errorFromSystemCode(code);
}

// Starts a program and waits for it.
ErrorNumber spawnAndWait(DrivePaths& paths, std::string_view command_line,
                         int* exit_code) {
  *exit_code = 0;
  std::vector<std::string> words = splitQuotedWords(command_line);
  if (words.empty()) return kFileNotFound;
  // A program named with a path is found on the drive like any file.
  if (words[0].find_first_of("\\/") != std::string::npos)
    words[0] = paths.hostPath(words[0]);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  // The tools ignore SIGPIPE; a child gets its default back.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid;
  int rc =
      posix_spawnp(&pid, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0) return startFailure(words[0], rc);
  int status = 0;
  if (retryAfterSignal(-1, [&] { return waitpid(pid, &status, 0); }) < 0)
    return kNoError;
  if (WIFEXITED(status)) *exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) *exit_code = 128 + WTERMSIG(status);
  return kNoError;
}

class PosixRunner : public CommandRunner {
 public:
  explicit PosixRunner(DrivePaths& paths) : paths_(paths) {}
  ErrorNumber run(std::string_view command_line, int* exit_code) override {
    return spawnAndWait(paths_, command_line, exit_code);
  }

 private:
  DrivePaths& paths_;
};

}  // namespace

std::unique_ptr<CommandRunner> makePlatformRunner(DrivePaths& paths) {
  return std::make_unique<PosixRunner>(paths);
}
