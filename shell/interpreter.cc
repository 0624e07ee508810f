// The built-in command interpreter on POSIX. A batch line ends at CR (an LF
// right after it belongs to the line end); a line is split on blanks; a
// last word that begins with ">" is its output file, made before the command
// runs. The commands are del, DIR and "cmd /c"; a batch file's lines are run
// the same way. After a command's switches, the rest of the line is one
// name, in double quotes or not: nothing in it is ever expanded, split or
// run. Only DIR reads "*" and "?" of a name without quotes as a pattern.
// Every file is reached through the interpreter's file system.
#include "shell/interpreter.h"

#include <errno.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/drive_path.h"
#include "platform/error_number.h"
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
LinkRule linksFor(std::string_view name) {
  bool rooted = !name.empty() && (name[0] == '\\' || name[0] == '/');
  return rooted ? LinkRule::kNone : LinkRule::kKeepers;
}

bool sameFile(const OsFile& a, const OsFile& b) {
  return a.handle == b.handle && a.layer == b.layer;
}

void notRecognized(std::string_view command) {
  printError("'" + std::string(command) +
             "' is not recognized as an internal or external command, "
             "operable program or batch file.");
}

void invalidSwitch(std::string_view word) {
  printError("Invalid switch - \"" + std::string(word.substr(1)) + "\".");
}

// The output file of a line while its command runs.
struct Output {
  OsFile file;
  bool own = false;      // made by this line, not the outer one's
  std::string path;      // host path when the line made the file anew
  bool rewrite = false;  // written over in place: cut to length at the end
};

// One command line's run: the files it reaches go through `files`.
class Session {
 public:
  explicit Session(FileSystem& files) : files_(files) {}

  int runLine(std::string_view line, const OsFile& out, int depth,
              const OsFile* rewrite = nullptr);
  int runBatchText(const std::string& text, const OsFile& out, int depth);
  ErrorNumber readBatch(std::string_view name, std::string* text);
  bool openOutput(const ParsedLine& parsed, const OsFile& outer, Output* out,
                  const OsFile* rewrite = nullptr);
  int closeOutput(const Output& out, int code);

 private:
  int runDir(const Arguments& args, const OsFile& out);
  int runDel(const Arguments& args);
  int runWords(std::string_view command, const OsFile& out, int depth);
  bool openForRewrite(std::string_view del_line, std::string_view next_line,
                      OsFile* file);

  FileSystem& files_;
};

int Session::runDir(const Arguments& args, const OsFile& out) {
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
  return listDirectory(files_, format, args.name, out, rule);
}

// Removes one file, named literally: no pattern, never a directory.
int Session::runDel(const Arguments& args) {
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
  FsStatus removed = files_.remove(hostPath(args.name));
  if (removed == kNoError) return 0;
  if (removed.systemCode() != ENOENT) {
    printError(failureText(removed));
  } else if (removed.number() == kPathNotFound) {
    printError(kPathNotFoundMessage);
  } else {
    printError("Could Not Find " + displayPath(absoluteHostPath(args.name)));
  }
  return 1;
}

// Reads a whole batch file; returns kNoError or the tools' error number.
ErrorNumber Session::readBatch(std::string_view name, std::string* text) {
  std::string path = hostPath(name);
  OsFile file;
  // A FIFO under a batch name is refused rather than waited on.
  if (FsStatus opened = files_.open(path, FileMode::Input, &file, linksFor(name)))
    return opened;
  FileStatus status;
  FsStatus error = files_.statOpen(file, &status);
  // Read up to the length the file had at the open: then the end is known
  // without one more read to find it.
  char buffer[8192];
  while (error == kNoError && text->size() < status.size) {
    size_t got = 0;
    error = files_.read(file, buffer, sizeof buffer, &got);
    if (got == 0) break;
    text->append(buffer, got);
  }
  files_.discard(file);
  return error;
}

// Makes the line's output file (or takes `outer` when there is none);
// false, with the reason on standard error, when it cannot be made. An open
// `rewrite` file (see `openForRewrite`) is the file, written over in place.
bool Session::openOutput(const ParsedLine& parsed, const OsFile& outer,
                         Output* out, const OsFile* rewrite) {
  out->file = outer;
  if (!parsed.redirected) return true;
  if (rewrite != nullptr) {
    out->file = *rewrite;
    out->own = true;
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
  FileMode mode = parsed.append ? FileMode::Append : FileMode::Create;
  FsStatus opened =
      files_.open(path, mode, &out->file, linksFor(parsed.target));
  if (opened != kNoError) {
    int code = opened.systemCode();
    printError(code == ENOENT || code == ENOTDIR ? std::string(kPathNotFoundMessage)
                                                 : failureText(opened));
    return false;
  }
  out->own = true;
  // An appended file holds more than this line's output: it is never
  // removed.
  if (!parsed.append) out->path = path;
  return true;
}

// Closes an output file made by `openOutput`; a failed close (data that
// never reached the disk) turns `code` into a failure. A file that could not
// be written whole is removed, so that nobody takes the part for the whole;
// one that belongs to an outer line is left to that line.
int Session::closeOutput(const Output& out, int code) {
  if (!out.own) return code;
  if (out.rewrite && code != kDirOutputFailed) {
    if (FsStatus cut = files_.truncateHere(out.file)) {
      printError(failureText(cut));
      code = kDirOutputFailed;
    }
  }
  if (FsStatus closed = files_.close(out.file)) {
    printError(failureText(closed));
    code = kDirOutputFailed;
  }
  if (code != kDirOutputFailed) return code;
  FileStatus status;
  if (!out.path.empty() &&
      files_.stat(out.path, Follow::kNoLinks, &status) == kNoError &&
      status.kind == FileStatus::kFile) {
    (void)files_.remove(out.path);
  }
  return 1;
}

// For a `del` line followed by a line that writes the same file anew
// (`del X` then `... >X`): the file opened to be written over in place and
// cut to its new length, which leaves the same file as removing it and
// making it again, for less work. Only a plain file of the run's own with no
// other name qualifies; false when the lines do not pair so or the file
// does not.
bool Session::openForRewrite(std::string_view del_line,
                             std::string_view next_line, OsFile* file) {
  std::vector<Word> words = splitAtBlanks(skipLead(del_line));
  if (words.size() != 2 || !sameIgnoringCase(words[0].text, "del"))
    return false;
  std::string_view name = words[1].text;
  ParsedLine next = parseLine(next_line);
  if (!next.redirected || next.append || next.target != name ||
      name[0] == '/' || name[0] == '>' || hasNul(name) ||
      sameIgnoringCase(name, "nul") || isBatchName(firstWord(next.command))) {
    return false;
  }
  std::string path = hostPath(name);
  // Anything but the run's own plain file of one name is left to del.
  if (!files_.isOwnPlainFile(path)) return false;
  return files_.open(path, FileMode::Rewrite, file, LinkRule::kNone) ==
         kNoError;
}

// Runs the lines of a batch in order; the exit code is the last line's. A
// line that names another batch hands over to it for good.
int Session::runBatchText(const std::string& text, const OsFile& out,
                          int depth) {
  int code = 0;
  std::vector<std::string_view> all = batch::lines(text);
  std::optional<OsFile> rewrite;  // the open file of a `del` not needed
  for (size_t i = 0; i < all.size(); ++i) {
    std::string_view line = all[i];
    if (skipLead(line).empty()) continue;
    OsFile opened;
    if (!rewrite && i + 1 < all.size() &&
        openForRewrite(line, all[i + 1], &opened)) {
      rewrite = opened;
      code = 0;
      continue;
    }
    code = runLine(line, out, depth, rewrite ? &*rewrite : nullptr);
    rewrite.reset();
    if (isBatchName(firstWord(line))) break;
  }
  return code;
}

// Runs a command whose output file is already open.
int Session::runWords(std::string_view command, const OsFile& out, int depth) {
  if (depth > kMaxNesting) {
    printError(kNestedTooDeeplyMessage);
    return 1;
  }
  command = skipLead(command);
  std::vector<Word> words = splitAtBlanks(command);
  if (words.empty()) return 0;
  std::string_view name = words[0].text;
  if (sameIgnoringCase(name, "dir")) {
    return runDir(argumentsOf(command, words), out);
  }
  if (sameIgnoringCase(name, "del")) return runDel(argumentsOf(command, words));
  if (isCmd(name)) {
    if (words.size() < 2 || !sameIgnoringCase(words[1].text, "/c")) {
      printError(kSyntaxErrorMessage);
      return 1;
    }
    std::string_view rest =
        words.size() > 2 ? command.substr(words[2].begin) : "";
    return runWords(rest, out, depth + 1);
  }
  if (isBatchName(name)) {
    std::string text;
    if (readBatch(name, &text) != kNoError) {
      notRecognized(name);
      return 1;
    }
    return runBatchText(text, out, depth + 1);
  }
  notRecognized(name);
  return 1;
}

int Session::runLine(std::string_view line, const OsFile& out, int depth,
                     const OsFile* rewrite) {
  ParsedLine parsed = parseLine(line);
  Output output;
  if (!openOutput(parsed, out, &output, rewrite)) return 1;
  int code = runWords(parsed.command, output.file, depth);
  return closeOutput(output, code);
}

}  // namespace

bool isInterpreterCommand(std::string_view command_line) {
  std::vector<Word> words = splitAtBlanks(skipLead(command_line));
  if (words.empty()) return false;
  if (isBatchName(words[0].text)) return true;
  return words.size() >= 2 && isCmd(words[0].text) &&
         sameIgnoringCase(words[1].text, "/c");
}

ErrorNumber Interpreter::run(std::string_view command_line, int* exit_code) {
  *exit_code = 0;
  if (!isInterpreterCommand(command_line))
    return next_.run(command_line, exit_code);
  std::optional<BatchConsole> console;
  if (messages_ == BatchMessages::kConsoleOnly) console.emplace();
  Session session(files_);
  OsFile standard_output = files_.standardOutput();
  ParsedLine parsed = parseLine(command_line);
  std::string_view program = firstWord(parsed.command);
  if (!isBatchName(program)) {
    int code = session.runLine(command_line, standard_output, 0);
    *exit_code = code == kDirOutputFailed ? 1 : code;
    return kNoError;
  }
  // A batch that cannot be read is a program that cannot be started: it
  // leaves no output file behind.
  std::string text;
  if (ErrorNumber error = session.readBatch(program, &text)) return error;
  Output out;
  if (!session.openOutput(parsed, standard_output, &out)) {
    *exit_code = 1;
    return kNoError;
  }
  int code =
      session.closeOutput(out, session.runBatchText(text, out.file, 1));
  *exit_code = code == kDirOutputFailed ? 1 : code;
  return kNoError;
}
