// Child processes on POSIX: the named program is started directly with
// posix_spawnp (never through a shell) and waited for.
#include <errno.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <new>
#include <string>
#include <vector>

#include "services/command.h"
#include "services/drive_path.h"
#include "services/interpreter.h"
#include "services/os_error.h"

extern char** environ;

namespace {

constexpr size_t kCommandLimit = 256;
std::string g_tail;

// Splits on blanks; a double-quoted stretch stays inside one word.
std::vector<std::string> splitWords(std::string_view line) {
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

// 76 when the directory a program is named in does not exist, else 53.
int missingProgram(const std::string& program) {
  size_t slash = program.rfind('/');
  if (slash == std::string::npos || slash == 0) return kFileNotFound;
  struct stat st;
  std::string dir = program.substr(0, slash);
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kPathNotFound;
  return kFileNotFound;
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
int startFailure(const std::string& program, int code) {
  if (code == ENOENT) return missingProgram(program);
  // The search also reports a directory on the path that may not be
  // looked into; when the program is in none of the others, it is missing.
  if (code == EACCES && program.find('/') == std::string::npos &&
      !onSearchPath(program))
    return kFileNotFound;
  return errorFromSystemCode(code);
}

// Runs a line of at most the command limit: in the built-in interpreter
// when it needs one, else as the program it names; waits for it to end.
int startAndWait(ErrorRecord& errors, std::string_view command_line) {
  if (isInterpreterCommand(command_line)) {
    int start_error = 0;
    int code = runInterpreterCommand(command_line, &start_error);
    if (start_error != 0) errors.fail(start_error);
    return code;
  }
  std::vector<std::string> words = splitWords(command_line);
  if (words.empty()) {
    errors.fail(kFileNotFound);
    return 0;
  }
  // A program named with a path is found on the drive like any file.
  if (words[0].find_first_of("\\/") != std::string::npos)
    words[0] = hostPath(words[0]);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    errors.fail(startFailure(words[0], rc));
    return 0;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 0;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 0;
}

}  // namespace

int runCommand(ErrorRecord& errors, std::string_view command_line) {
  // The built-in interpreter runs in this process: memory that runs out
  // there is this run's failure, like a program that cannot be started.
  try {
    return startAndWait(errors, command_line.substr(0, kCommandLimit));
  } catch (const std::bad_alloc&) {
    errors.fail(kOutOfMemory);
    return 0;
  }
}

void initCommandTail(int argc, char** argv) {
  g_tail.clear();
  for (int i = 1; i < argc; ++i) {
    if (i > 1) g_tail += ' ';
    g_tail += argv[i];
  }
}

std::string commandTail() { return g_tail; }
