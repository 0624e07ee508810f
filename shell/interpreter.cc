// The built-in command interpreter on POSIX. A batch line ends at CR (an LF
// right after it belongs to the line end); a line is split on blanks; a
// last word that begins with ">" is its output file, made before the command
// runs. The commands are del, DIR and "cmd /c"; a batch file's lines are run
// the same way. After a command's switches, the rest of the line is one
// name, in double quotes or not: nothing in it is ever expanded, split or
// run. Only DIR reads "*" and "?" of a name without quotes as a pattern.
#include "shell/interpreter.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "services/drive_path.h"
#include "services/error_number.h"
#include "services/held_files.h"
#include "services/os_error.h"
#include "services/posix_io.h"
#include "services/posix_open.h"
#include "shell/batch_words.h"
#include "shell/dir_listing.h"
#include "shell/messages.h"

namespace {

using batch::Arguments;
using batch::argumentsOf;
using batch::firstWord;
using batch::isBatchName;
using batch::isCmd;
using batch::ParsedLine;
using batch::parseLine;
using batch::sameIgnoringCase;
using batch::skipLead;
using batch::splitAtBlanks;
using batch::Word;

// Deeper than this, "cmd /c cmd /c ..." or a batch that runs itself stops.
constexpr int kMaxNesting = 16;

bool hasNul(std::string_view name) {
  return name.find('\0') != std::string_view::npos;
}

// A name in the drive root is one of the tools' own scratch files there: no
// link to it is ever followed. Any other name is the keeper's, whose own
// links are.
posix_open::Links linksFor(std::string_view name) {
  bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
  return rooted ? posix_open::Links::kNone : posix_open::Links::kOwnerMatch;
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
  // A name in double quotes is one literal name, "*" and "?" included;
  // a bare one may be a pattern, as in the tools' own "DIR /B *.*".
  DirName rule = args.quoted ? DirName::kLiteral : DirName::kPattern;
  return listDirectory(format, args.name, out_fd, rule);
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
    printError(kSyntaxErrorMessage);
    return 1;
  }
  if (hasNul(args.name)) {
    printError(kBadNameMessage);
    return 1;
  }
  std::string path = hostPath(args.name);
  ErrorNumber held_error = kNoError;
  int code = 0;
  if (removeHeldFile(path, &held_error)) {
    if (held_error == kNoError) return 0;
    code = ENOENT;
  } else if (unlink(path.c_str()) == 0) {
    return 0;
  } else {
    code = errno;
  }
  if (code != ENOENT) {
    printError(failureText(code));
  } else if (missingFileOrPath(path) == kPathNotFound) {
    printError(kPathNotFoundMessage);
  } else {
    printError("Could Not Find " + displayPath(absoluteHostPath(args.name)));
  }
  return 1;
}

// Closes a file of a line, held or on disk.
int closeFile(int fd) {
  if (!isHeldHandle(fd)) return close(fd);
  closeHeldFile(fd);
  return 0;
}

// Reads a whole batch file; returns kNoError or the tools' error number.
ErrorNumber readBatch(std::string_view name, std::string* text) {
  std::string path = hostPath(name);
  ErrorNumber error = kNoError;
  if (readWholeHeldFile(path, text, &error)) return error;
  // A FIFO under a batch name is refused rather than waited on.
  posix_open::Opened opened = posix_open::openToRead(path, linksFor(name));
  int fd = opened.fd;
  if (fd < 0 && opened.not_regular) return kPathFileAccessError;
  if (fd < 0) {
    return opened.code == ENOENT ? missingFileOrPath(path)
                                 : errorFromSystemCode(opened.code);
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    error = errorFromSystemCode(errno);
  } else {
    // Read up to the length the file had at the open: then the end is
    // known without one more read to find it.
    const size_t length = static_cast<size_t>(st.st_size);
    char buffer[8192];
    ssize_t n = 0;
    while (text->size() < length &&
           (n = retryAfterSignal(-1, pread, fd, buffer, sizeof buffer,
                                 static_cast<off_t>(text->size()))) > 0)
      text->append(buffer, static_cast<size_t>(n));
    if (n < 0) error = errorFromSystemCode(errno);
  }
  close(fd);
  return error;
}

// The output file of a line while its command runs.
struct Output {
  int fd = -1;
  std::string path;      // host path when the line made the file anew
  bool rewrite = false;  // written over in place: cut to length at the end
};

// Makes the line's output file (or takes `out_fd` when there is none);
// false, with the reason on standard error, when it cannot be made. An open
// `rewrite_fd` (see `openForRewrite`) is the file, written over in place.
bool openOutput(const ParsedLine& parsed, int out_fd, Output* out,
                int rewrite_fd = -1) {
  out->fd = out_fd;
  if (!parsed.redirected) return true;
  if (rewrite_fd >= 0) {
    out->fd = rewrite_fd;
    out->path = hostPath(parsed.target);
    out->rewrite = true;
    return true;
  }
  if (parsed.target.empty() || parsed.target[0] == '>') {
    printError(kSyntaxErrorMessage);
    return false;
  }
  if (hasNul(parsed.target)) {
    printError(kBadNameMessage);
    return false;
  }
  std::string path = sameIgnoringCase(parsed.target, "nul")
                         ? std::string("/dev/null")
                         : hostPath(parsed.target);
  intptr_t held = -1;
  ErrorNumber held_error = kNoError;
  if (openHeldFile(path,
                   parsed.append ? HeldAccess::kAppend : HeldAccess::kWrite,
                   &held, &held_error)) {
    if (held_error != kNoError) {
      printError(failureText(EACCES));
      return false;
    }
    out->fd = static_cast<int>(held);
    if (!parsed.append) out->path = path;
    return true;
  }
  posix_open::WriteOptions options;
  options.links = linksFor(parsed.target);
  options.start =
      parsed.append ? posix_open::Start::kEnd : posix_open::Start::kEmpty;
  posix_open::Opened opened = posix_open::openToWrite(path, options);
  out->fd = opened.fd;
  if (out->fd < 0) {
    int code = opened.code;
    printError(code == ENOENT || code == ENOTDIR ? kPathNotFoundMessage
                                                 : failureText(code));
    return false;
  }
  // An appended file holds more than this line's output: it is never
  // removed.
  if (!parsed.append) out->path = path;
  return true;
}

// Closes an output file made by `openOutput`; a failed close (data that
// never reached the disk) turns `code` into a failure. A file that could not
// be written whole is removed, so that nobody takes the part for the whole;
// one that belongs to an outer line is left to that line.
int closeOutput(const Output& out, int out_fd, int code) {
  if (out.fd == out_fd) return code;
  if (out.rewrite && code != kDirOutputFailed) {
    off_t end = lseek(out.fd, 0, SEEK_CUR);
    if (end < 0 || ftruncate(out.fd, end) != 0) {
      printError(failureText(errno));
      code = kDirOutputFailed;
    }
  }
  if (closeFile(out.fd) != 0 && errno != EINTR) {
    printError(failureText(errno));
    code = kDirOutputFailed;
  }
  if (code != kDirOutputFailed) return code;
  ErrorNumber ignored = kNoError;
  struct stat st;
  if (!out.path.empty() && !removeHeldFile(out.path, &ignored) &&
      lstat(out.path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    unlink(out.path.c_str());
  }
  return 1;
}

// For a `del` line followed by a line that writes the same file anew
// (`del X` then `... >X`): the file opened to be written over in place and
// cut to its new length, which leaves the same file on disk as removing it
// and making it again, for less work. Only a plain file with no other name
// qualifies; -1 when the lines do not pair so or the file does not.
int openForRewrite(std::string_view del_line, std::string_view next_line) {
  std::vector<Word> words = splitAtBlanks(skipLead(del_line));
  if (words.size() != 2 || !sameIgnoringCase(words[0].text, "del")) return -1;
  std::string_view name = words[1].text;
  ParsedLine next = parseLine(next_line);
  if (!next.redirected || next.append || next.target != name ||
      name[0] == '/' || name[0] == '>' || hasNul(name) ||
      sameIgnoringCase(name, "nul") || isBatchName(firstWord(next.command))) {
    return -1;
  }
  std::string path = hostPath(name);
  // A held file is removed and made anew in memory, at no cost.
  if (holdsFile(path)) return -1;
  // Anything but the run's own plain file of one name is left to del.
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_nlink != 1 || st.st_uid != geteuid()) {
    return -1;
  }
  posix_open::WriteOptions options;
  options.links = posix_open::Links::kNone;
  options.start = posix_open::Start::kKeep;
  options.make = false;  // a missing file is del's to report
  return posix_open::openToWrite(path, options).fd;
}

int runLine(std::string_view line, int out_fd, int depth, int rewrite_fd = -1);

// Runs the lines of a batch in order; the exit code is the last line's. A
// line that names another batch hands over to it for good.
int runBatchText(const std::string& text, int out_fd, int depth) {
  int code = 0;
  std::vector<std::string_view> all = batch::lines(text);
  int rewrite_fd = -1;  // the open file of a `del` that was not needed
  for (size_t i = 0; i < all.size(); ++i) {
    std::string_view line = all[i];
    if (skipLead(line).empty()) continue;
    if (rewrite_fd < 0 && i + 1 < all.size() &&
        (rewrite_fd = openForRewrite(line, all[i + 1])) >= 0) {
      code = 0;
      continue;
    }
    code = runLine(line, out_fd, depth, rewrite_fd);
    rewrite_fd = -1;
    if (isBatchName(firstWord(line))) break;
  }
  return code;
}

// Runs a command whose output file is already open.
int runWords(std::string_view command, int out_fd, int depth) {
  if (depth > kMaxNesting) {
    printError(kNestedTooDeeplyMessage);
    return 1;
  }
  command = skipLead(command);
  std::vector<Word> words = splitAtBlanks(command);
  if (words.empty()) return 0;
  std::string_view name = words[0].text;
  if (sameIgnoringCase(name, "dir")) {
    return runDir(argumentsOf(command, words), out_fd);
  }
  if (sameIgnoringCase(name, "del")) return runDel(argumentsOf(command, words));
  if (isCmd(name)) {
    if (words.size() < 2 || !sameIgnoringCase(words[1].text, "/c")) {
      printError(kSyntaxErrorMessage);
      return 1;
    }
    std::string_view rest =
        words.size() > 2 ? command.substr(words[2].begin) : "";
    return runWords(rest, out_fd, depth + 1);
  }
  if (isBatchName(name)) {
    std::string text;
    if (readBatch(name, &text) != kNoError) {
      notRecognized(name);
      return 1;
    }
    return runBatchText(text, out_fd, depth + 1);
  }
  notRecognized(name);
  return 1;
}

int runLine(std::string_view line, int out_fd, int depth, int rewrite_fd) {
  ParsedLine parsed = parseLine(line);
  Output out;
  if (!openOutput(parsed, out_fd, &out, rewrite_fd)) return 1;
  int code = runWords(parsed.command, out.fd, depth);
  return closeOutput(out, out_fd, code);
}

}  // namespace

bool isInterpreterCommand(std::string_view command_line) {
  std::vector<Word> words = splitAtBlanks(skipLead(command_line));
  if (words.empty()) return false;
  if (isBatchName(words[0].text)) return true;
  return words.size() >= 2 && isCmd(words[0].text) &&
         sameIgnoringCase(words[1].text, "/c");
}

ErrorNumber runInterpreterCommand(std::string_view command_line,
                                  int* exit_code) {
  *exit_code = 0;
  ParsedLine parsed = parseLine(command_line);
  std::string_view program = firstWord(parsed.command);
  if (!isBatchName(program)) {
    int code = runLine(command_line, STDOUT_FILENO, 0);
    *exit_code = code == kDirOutputFailed ? 1 : code;
    return kNoError;
  }
  // A batch that cannot be read is a program that cannot be started: it
  // leaves no output file behind.
  std::string text;
  if (ErrorNumber error = readBatch(program, &text)) return error;
  Output out;
  if (!openOutput(parsed, STDOUT_FILENO, &out)) {
    *exit_code = 1;
    return kNoError;
  }
  int code = closeOutput(out, STDOUT_FILENO, runBatchText(text, out.fd, 1));
  *exit_code = code == kDirOutputFailed ? 1 : code;
  return kNoError;
}
