// The built-in command interpreter on POSIX. A batch line ends at CR (an LF
// right after it belongs to the line end); a line is split on blanks; a
// last word that begins with ">" is its output file, made before the command
// runs. The commands are del, DIR and "cmd /c"; a batch file's lines are run
// the same way. After a command's switches, the rest of the line is one
// literal name: nothing in it is ever expanded, split or run.
#include "services/interpreter.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "services/batch_words.h"
#include "services/dir_listing.h"
#include "services/drive_path.h"
#include "services/error_record.h"
#include "services/os_error.h"

namespace {

using batch::Arguments;
using batch::firstWord;
using batch::isBatchName;
using batch::isCmd;
using batch::ParsedLine;
using batch::parseLine;
using batch::sameIgnoringCase;
using batch::skipLead;
using batch::splitWords;
using batch::Word;

// Deeper than this, "cmd /c cmd /c ..." or a batch that runs itself stops.
constexpr int kMaxNesting = 16;

constexpr std::string_view kSyntaxError =
    "The syntax of the command is incorrect.";
constexpr std::string_view kBadName =
    "The filename, directory name, or volume label syntax is incorrect.";

bool hasNul(std::string_view name) {
  return name.find('\0') != std::string_view::npos;
}

// ENOENT for `path` becomes ENOTDIR when it is the directory on the way
// that is missing: "path not found" rather than "file not found".
int pathAwareCode(const std::string& path, int code) {
  if (code != ENOENT) return code;
  std::string dir = path.substr(0, path.rfind('/') + 1);
  struct stat st;
  if (!dir.empty() && (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))) {
    return ENOTDIR;
  }
  return code;
}

void notRecognized(std::string_view command) {
  printError("'" + std::string(command) +
             "' is not recognized as an internal or external command, "
             "operable program or batch file.");
}

void invalidSwitch(std::string_view word) {
  printError("Invalid switch - \"" + std::string(word.substr(1)) + "\".");
}

int runDir(const Arguments& args, int out_fd) {
  bool bare = false;
  bool short_names = false;
  for (std::string_view word : args.switches) {
    if (sameIgnoringCase(word, "/b")) {
      bare = true;
    } else if (sameIgnoringCase(word, "/x")) {
      short_names = true;
    } else {
      invalidSwitch(word);
      return 1;
    }
  }
  DirFormat format = bare          ? DirFormat::kBare
                     : short_names ? DirFormat::kShortNames
                                   : DirFormat::kNormal;
  return listDirectory(format, args.name, out_fd);
}

// Removes one file, named literally: no pattern, never a directory.
int runDel(const Arguments& args) {
  for (std::string_view word : args.switches) {
    // Nothing is ever asked, so quiet and force change nothing.
    if (!sameIgnoringCase(word, "/q") && !sameIgnoringCase(word, "/f")) {
      invalidSwitch(word);
      return 1;
    }
  }
  if (args.name.empty()) {
    printError(kSyntaxError);
    return 1;
  }
  if (hasNul(args.name)) {
    printError(kBadName);
    return 1;
  }
  std::string path = hostPath(args.name);
  if (unlink(path.c_str()) == 0) return 0;
  int code = pathAwareCode(path, errno);
  if (code == ENOENT) {
    printError("Could Not Find " + displayPath(absoluteHostPath(args.name)));
  } else if (code == ENOTDIR) {
    printError("The system cannot find the path specified.");
  } else {
    printError(failureText(code));
  }
  return 1;
}

// Reads a whole batch file; returns 0 or the tools' error number.
int readBatch(std::string_view name, std::string* text) {
  std::string path = hostPath(name);
  // Non-blocking, so that a FIFO under a batch name cannot make us wait.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errorFromSystemCode(pathAwareCode(path, errno));
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return kPathFileAccessError;
  }
  char buffer[8192];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errorFromSystemCode(errno);
      close(fd);
      return error;
    }
    text->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return 0;
}

// Makes the line's output file (or takes `out_fd` when there is none);
// false, with the reason on standard error, when it cannot be made.
bool openOutput(const ParsedLine& parsed, int out_fd, int* fd) {
  *fd = out_fd;
  if (!parsed.redirected) return true;
  if (parsed.target.empty() || parsed.target[0] == '>') {
    printError(kSyntaxError);
    return false;
  }
  if (hasNul(parsed.target)) {
    printError(kBadName);
    return false;
  }
  std::string path = sameIgnoringCase(parsed.target, "nul")
                         ? std::string("/dev/null")
                         : hostPath(parsed.target);
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK |
              (parsed.append ? O_APPEND : O_TRUNC);
  *fd = open(path.c_str(), flags, 0666);
  if (*fd < 0) {
    printError(errno == ENOENT || errno == ENOTDIR
                   ? std::string("The system cannot find the path specified.")
                   : failureText(errno));
    return false;
  }
  // O_NONBLOCK only kept the open from waiting on a FIFO without a reader;
  // setting the status flags anew drops it.
  fcntl(*fd, F_SETFL, parsed.append ? O_APPEND : 0);
  return true;
}

// Closes an output file made by `openOutput`; a failed close (data that
// never reached the disk) turns `code` into a failure.
int closeOutput(int fd, int out_fd, int code) {
  if (fd == out_fd) return code;
  if (close(fd) != 0 && errno != EINTR) {
    printError(failureText(errno));
    return 1;
  }
  return code;
}

int runLine(std::string_view line, int out_fd, int depth);

// Runs the lines of a batch in order; the exit code is the last line's. A
// line that names another batch hands over to it for good.
int runBatchText(const std::string& text, int out_fd, int depth) {
  int code = 0;
  for (std::string_view line : batch::lines(text)) {
    if (skipLead(line).empty()) continue;
    code = runLine(line, out_fd, depth);
    if (isBatchName(firstWord(line))) break;
  }
  return code;
}

// Runs a command whose output file is already open.
int runWords(std::string_view command, int out_fd, int depth) {
  if (depth > kMaxNesting) {
    printError("The commands are nested too deeply.");
    return 1;
  }
  command = skipLead(command);
  std::vector<Word> words = splitWords(command);
  if (words.empty()) return 0;
  std::string_view name = words[0].text;
  if (sameIgnoringCase(name, "dir")) {
    return runDir(batch::argumentsOf(command, words), out_fd);
  }
  if (sameIgnoringCase(name, "del"))
    return runDel(batch::argumentsOf(command, words));
  if (isCmd(name)) {
    if (words.size() < 2 || !sameIgnoringCase(words[1].text, "/c")) {
      printError(kSyntaxError);
      return 1;
    }
    std::string_view rest =
        words.size() > 2 ? command.substr(words[2].begin) : "";
    return runWords(rest, out_fd, depth + 1);
  }
  if (isBatchName(name)) {
    std::string text;
    if (readBatch(name, &text) != 0) {
      notRecognized(name);
      return 1;
    }
    return runBatchText(text, out_fd, depth + 1);
  }
  notRecognized(name);
  return 1;
}

int runLine(std::string_view line, int out_fd, int depth) {
  ParsedLine parsed = parseLine(line);
  int fd;
  if (!openOutput(parsed, out_fd, &fd)) return 1;
  int code = runWords(parsed.command, fd, depth);
  return closeOutput(fd, out_fd, code);
}

}  // namespace

bool isInterpreterCommand(std::string_view command_line) {
  std::vector<Word> words = splitWords(skipLead(command_line));
  if (words.empty()) return false;
  if (isBatchName(words[0].text)) return true;
  return words.size() >= 2 && isCmd(words[0].text) &&
         sameIgnoringCase(words[1].text, "/c");
}

int runInterpreterCommand(std::string_view command_line, int* start_error) {
  *start_error = 0;
  ParsedLine parsed = parseLine(command_line);
  std::string_view program = firstWord(parsed.command);
  if (!isBatchName(program)) return runLine(command_line, STDOUT_FILENO, 0);
  // A batch that cannot be read is a program that cannot be started: it
  // leaves no output file behind.
  std::string text;
  int error = readBatch(program, &text);
  if (error != 0) {
    *start_error = error;
    return 0;
  }
  int fd;
  if (!openOutput(parsed, STDOUT_FILENO, &fd)) return 1;
  int code = runBatchText(text, fd, 1);
  return closeOutput(fd, STDOUT_FILENO, code);
}
