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
using batch::Command;
using batch::CommandLine;
using batch::parseCommandLine;
using batch::Program;
using batch::Redirection;
using batch::sameIgnoringCase;

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

void notRecognized(std::string_view command, const Messages& messages) {
  messages.error("'" + std::string(command) +
                 "' is not recognized as an internal or external command, "
                 "operable program or batch file.");
}

// What del says when it could not remove `name`.
void sayNotRemoved(const FsStatus& removed, std::string_view name,
                   DrivePaths& paths, const Messages& messages) {
  if (removed.systemCode() != ENOENT) {
    messages.error(failureText(removed));
  } else if (removed.number() == kPathNotFound) {
    messages.error(kPathNotFoundMessage);
  } else {
    messages.error("Could Not Find " +
                   paths.displayPath(paths.absoluteHostPath(name)));
  }
}

void invalidSwitch(std::string_view word, const Messages& messages) {
  messages.error("Invalid switch - \"" + std::string(word.substr(1)) + "\".");
}

// The output file of a line while its command runs.
struct Output {
  OsFile file;
  bool own = false;      // made by this line, not the outer one's
  std::string path;      // host path when the line made the file anew
  bool rewrite = false;  // written over in place: cut to length at the end
};

// One command line's run: the files it reaches go through `files`, their
// names through `paths`, DIR through `lister`, and its errors to
// `messages`.
class Session {
 public:
  Session(FileSystem& files, DrivePaths& paths, DirLister& lister,
          const Messages& messages)
      : files_(files), paths_(paths), lister_(lister), messages_(messages) {}

  int runLine(const CommandLine& line, const OsFile& out, int depth,
              const OsFile* rewrite = nullptr);
  int runBatchText(const std::string& text, const OsFile& out, int depth);
  ErrorNumber readBatch(std::string_view name, std::string* text);
  bool openOutput(const Redirection& output, const OsFile& outer, Output* out,
                  const OsFile* rewrite = nullptr);
  int closeOutput(const Output& out, int code);

 private:
  int runDir(const Arguments& args, const Output& out);
  int runDel(const Arguments& args);
  int runCommand(const Command& command, const Output& out, int depth);
  bool openForRewrite(const CommandLine& del_line, const CommandLine& next_line,
                      OsFile* file);

  FileSystem& files_;
  DrivePaths& paths_;
  DirLister& lister_;
  const Messages& messages_;
};

int Session::runDir(const Arguments& args, const Output& out) {
  bool bare = false;
  bool short_names = false;
  for (std::string_view word : args.switches) {
    if (sameIgnoringCase(word, "/b")) {
      bare = true;
    } else if (sameIgnoringCase(word, "/x")) {
      short_names = true;
    } else {
      invalidSwitch(word, messages_);
      return 1;
    }
  }
  DirFormat format = bare          ? DirFormat::kBare
                     : short_names ? DirFormat::kShortNames
                                   : DirFormat::kNormal;
  // A name in double quotes is one literal name, "*" and "?" included;
  // a bare one may be a pattern, as in the tools' own "DIR /B *.*".
  DirName rule = args.quoted ? DirName::kLiteral : DirName::kPattern;
  return lister_.list(format, args.name, out.file, messages_, rule,
                      out.rewrite);
}

// Removes one file, named literally: no pattern, never a directory.
int Session::runDel(const Arguments& args) {
  for (std::string_view word : args.switches) {
    // Nothing is ever asked, so quiet and force change nothing.
    if (!sameIgnoringCase(word, "/q") && !sameIgnoringCase(word, "/f")) {
      invalidSwitch(word, messages_);
      return 1;
    }
  }
  if (args.name.empty()) {
    messages_.error(kSyntaxErrorMessage);
    return 1;
  }
  if (hasNul(args.name)) {
    messages_.error(kBadNameMessage);
    return 1;
  }
  FsStatus removed = files_.remove(paths_.hostPath(args.name));
  if (removed == kNoError) return 0;
  sayNotRemoved(removed, args.name, paths_, messages_);
  return 1;
}

// Reads a whole batch file; returns kNoError or the tools' error number.
ErrorNumber Session::readBatch(std::string_view name, std::string* text) {
  std::string path = paths_.hostPath(name);
  OsFile file;
  // A FIFO under a batch name is refused rather than waited on.
  if (FsStatus opened =
          files_.open(path, FileMode::Input, &file, linksFor(name)))
    return opened;
  FileStatus status;
  FsStatus error = files_.statOpen(file, &status);
  // Read up to the length the file had at the open: then the end is known
  // without one more read to find it.
  if (error == kNoError) error = readWholeFile(files_, file, status.size, text);
  files_.discard(file);
  return error;
}

// Makes the line's output file (or takes `outer` when there is none);
// false, with the reason on standard error, when it cannot be made. An open
// `rewrite` file (see `openForRewrite`) is the file, written over in place.
bool Session::openOutput(const Redirection& output, const OsFile& outer,
                         Output* out, const OsFile* rewrite) {
  out->file = outer;
  if (!output.redirected) return true;
  if (rewrite != nullptr) {
    out->file = *rewrite;
    out->own = true;
    out->path = paths_.hostPath(output.target);
    out->rewrite = true;
    return true;
  }
  if (output.target.empty() || output.target[0] == '>') {
    messages_.error(kSyntaxErrorMessage);
    return false;
  }
  if (hasNul(output.target)) {
    messages_.error(kBadNameMessage);
    return false;
  }
  std::string path = sameIgnoringCase(output.target, "nul")
                         ? std::string("/dev/null")
                         : paths_.hostPath(output.target);
  FileMode mode = output.append ? FileMode::Append : FileMode::Create;
  FsStatus opened =
      files_.open(path, mode, &out->file, linksFor(output.target));
  if (opened != kNoError) {
    int code = opened.systemCode();
    messages_.error(code == ENOENT || code == ENOTDIR
                        ? std::string(kPathNotFoundMessage)
                        : failureText(opened));
    return false;
  }
  out->own = true;
  // An appended file holds more than this line's output: it is never
  // removed.
  if (!output.append) out->path = path;
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
      messages_.error(failureText(cut));
      code = kDirOutputFailed;
    }
  }
  if (FsStatus closed = files_.close(out.file)) {
    messages_.error(failureText(closed));
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

// The name that a line "del X" removes, as the line writes it: one bare
// word, no switch, no output file. Empty for any other line; a quoted name
// too, as it removes the name between the quotes while an output file of
// the same word would hold them.
std::string_view oneDeletedName(const CommandLine& line) {
  const Command& command = line.command;
  if (command.program != Program::kDel || command.shells != 0 ||
      line.output.redirected || !command.args.switches.empty() ||
      command.args.quoted ||
      command.args.written.find(' ') != std::string_view::npos) {
    return {};
  }
  return command.args.written;
}

// For a `del` line followed by a line that writes the same file anew
// (`del X` then `... >X`): the file opened to be written over in place and
// cut to its new length, which leaves the same file as removing it and
// making it again, for less work. Only a plain file of the run's own with no
// other name qualifies; false when the lines do not pair so or the file
// does not.
bool Session::openForRewrite(const CommandLine& del_line,
                             const CommandLine& next_line, OsFile* file) {
  std::string_view name = oneDeletedName(del_line);
  const Redirection& next = next_line.output;
  if (name.empty() || !next.redirected || next.append || next.target != name ||
      hasNul(name) || sameIgnoringCase(name, "nul") ||
      next_line.startsBatch()) {
    return false;
  }
  std::string path = paths_.hostPath(name);
  // Anything but the run's own plain file of one name is left to del.
  if (!files_.isOwnPlainFile(path)) return false;
  return files_.open(path, FileMode::Rewrite, file, LinkRule::kNone) ==
         kNoError;
}

// Runs the lines of a batch in order; the exit code is the last line's. A
// line that names another batch hands over to it for good. Each line is
// read once: the one after a `del` is read ahead to see whether the two
// pair, and run as read.
int Session::runBatchText(const std::string& text, const OsFile& out,
                          int depth) {
  int code = 0;
  std::vector<std::string_view> all = batch::lines(text);
  std::optional<OsFile> rewrite;     // the open file of a `del` not needed
  std::optional<CommandLine> ahead;  // the next line, when read already
  for (size_t i = 0; i < all.size(); ++i) {
    CommandLine line = ahead ? std::move(*ahead) : parseCommandLine(all[i]);
    ahead.reset();
    if (line.blank()) continue;
    OsFile opened;
    if (!rewrite && i + 1 < all.size() && !oneDeletedName(line).empty()) {
      ahead = parseCommandLine(all[i + 1]);
      if (openForRewrite(line, *ahead, &opened)) {
        rewrite = opened;
        code = 0;
        continue;
      }
    }
    code = runLine(line, out, depth, rewrite ? &*rewrite : nullptr);
    rewrite.reset();
    if (line.leads_with_batch_name) break;
  }
  return code;
}

// Runs a command whose output file is already open. Each "cmd /c" in front
// of it is one level deeper.
int Session::runCommand(const Command& command, const Output& out, int depth) {
  if (static_cast<size_t>(depth) + command.shells > kMaxNesting) {
    messages_.error(kNestedTooDeeplyMessage);
    return 1;
  }
  int inner = depth + static_cast<int>(command.shells);
  switch (command.program) {
    case Program::kNothing:
      return 0;
    case Program::kDir:
      return runDir(command.args, out);
    case Program::kDel:
      return runDel(command.args);
    case Program::kCmdMisused:
      messages_.error(kSyntaxErrorMessage);
      return 1;
    case Program::kBatch: {
      std::string text;
      if (readBatch(command.word, &text) != kNoError) break;
      return runBatchText(text, out.file, inner + 1);
    }
    case Program::kUnknown:
      break;
  }
  notRecognized(command.word, messages_);
  return 1;
}

int Session::runLine(const CommandLine& line, const OsFile& out, int depth,
                     const OsFile* rewrite) {
  Output output;
  if (!openOutput(line.output, out, &output, rewrite)) return 1;
  int code = runCommand(line.command, output, depth);
  return closeOutput(output, code);
}

// The DIR of a lookup batch's second line, for output file `deleted`: its
// format and name rule, or false where the line would run otherwise (the
// level of "cmd /c" too deep, a switch DIR refuses, another output).
bool readLookupDir(const CommandLine& line, std::string_view deleted,
                   DirFormat* format, DirName* rule) {
  const Command& command = line.command;
  const Redirection& output = line.output;
  if (command.program != Program::kDir || line.leads_with_batch_name ||
      1 + command.shells > kMaxNesting || !output.redirected ||
      output.append || output.target != deleted) {
    return false;
  }
  bool bare = false;
  bool short_names = false;
  for (std::string_view word : command.args.switches) {
    if (sameIgnoringCase(word, "/b")) {
      bare = true;
    } else if (sameIgnoringCase(word, "/x")) {
      short_names = true;
    } else {
      return false;
    }
  }
  *format = bare          ? DirFormat::kBare
            : short_names ? DirFormat::kShortNames
                          : DirFormat::kNormal;
  *rule = command.args.quoted ? DirName::kLiteral : DirName::kPattern;
  return true;
}

}  // namespace

bool isInterpreterCommand(std::string_view command_line) {
  return parseCommandLine(command_line).forInterpreter();
}

ErrorNumber Interpreter::run(std::string_view command_line, int* exit_code) {
  *exit_code = 0;
  CommandLine line = parseCommandLine(command_line);
  if (!line.forInterpreter()) return next_.run(command_line, exit_code);
  Session session(files_, paths_, lister_, messages_);
  OsFile standard_output = files_.standardOutput();
  if (!line.startsBatch()) {
    int code = session.runLine(line, standard_output, 0);
    *exit_code = code == kDirOutputFailed ? 1 : code;
    return kNoError;
  }
  // A batch that cannot be read is a program that cannot be started: it
  // leaves no output file behind.
  std::string text;
  if (ErrorNumber error = session.readBatch(line.command.word, &text))
    return error;
  Output out;
  if (!session.openOutput(line.output, standard_output, &out)) {
    *exit_code = 1;
    return kNoError;
  }
  int code = session.closeOutput(out, session.runBatchText(text, out.file, 1));
  *exit_code = code == kDirOutputFailed ? 1 : code;
  return kNoError;
}

bool Interpreter::prepareLookup(const std::vector<std::string>& lines,
                                const DirLister::DirectoryCheck& may_defer,
                                PreparedLookup* lookup) {
  // Written with a CR LF after each, lines without a CR of their own are
  // the lines that the batch file is read as.
  if (lines.size() < 2) return false;
  for (const std::string& line : lines) {
    if (line.find('\r') != std::string::npos) return false;
  }
  for (size_t i = 2; i < lines.size(); ++i) {
    if (!parseCommandLine(lines[i]).blank()) return false;
  }
  std::string_view first = lines[0];
  std::string_view second = lines[1];
  // Every lookup begins with the same "del" line: it is read once.
  if (lookup_del_line_.empty() || first != lookup_del_line_) {
    std::string_view deleted = oneDeletedName(parseCommandLine(first));
    if (deleted.empty() || hasNul(deleted) ||
        sameIgnoringCase(deleted, "nul")) {
      return false;
    }
    lookup_deleted_.assign(deleted);
    lookup_del_line_.assign(first);
    lookup_slot_ = batch::NameSlot();
  }
  // A DIR line that differs from the last one read in its name alone is
  // read as that one was.
  std::string_view name;
  DirName rule;
  std::string_view written;
  if (lookup_slot_.match(second, &written)) {
    bool quoted = false;
    name = batch::nameOf(written, &quoted);
    rule = quoted ? DirName::kLiteral : DirName::kPattern;
  } else {
    parseCommandLine(second, &lookup_line_, &lookup_words_);
    if (!readLookupDir(lookup_line_, lookup_deleted_, &lookup_format_, &rule))
      return false;
    lookup_slot_.learn(second, lookup_line_);
    name = lookup_line_.command.args.name;
  }
  lookup->output = lookup_deleted_;
  return lister_.listOne(lookup_format_, name, rule, may_defer,
                         &lookup->listing);
}

void Interpreter::tell(const PreparedLookup& lookup,
                       const FsStatus& removed) const {
  if (removed != kNoError)
    sayNotRemoved(removed, lookup.output, paths_, messages_);
  DirLister::tell(lookup.listing, messages_);
}
