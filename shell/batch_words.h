// How the built-in interpreter reads what it runs: batch text cut into
// lines, and a line read once into the command it gives: the program, its
// switches and the one literal name after them, the "cmd /c" in front of it
// and the line's output file. Nothing here touches the system.
#ifndef KESTREL_SHELL_BATCH_WORDS_H_
#define KESTREL_SHELL_BATCH_WORDS_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

/// The lines of a batch file: each ends at a CR, and one LF right after it
/// belongs to the line end. Any other byte, a lone LF too, is part of the
/// line, so that a name written into a line stays one name.
std::vector<std::string_view> lines(std::string_view text);
/// The line of `text` that begins at `*position`, which moves past its end;
/// `*position` at the end of the text means there is none left.
std::string_view nextLine(std::string_view text, size_t* position);

/// A word of a line and where it begins there.
struct Word {
  std::string_view text;
  size_t begin;
};
/// Splits on blanks only: a tab, a quote or any other byte is part of a
/// word.
std::vector<Word> splitAtBlanks(std::string_view line);
/// The same into `*words`.
void splitAtBlanks(std::string_view line, std::vector<Word>* words);

/// The line without its leading blanks and the "@" that keeps a batch line
/// from echoing.
std::string_view skipLead(std::string_view line);

/// Equal with the ASCII letters folded.
bool sameIgnoringCase(std::string_view a, std::string_view b);
/// The word names a batch file: it ends in .BAT or .CMD, any case.
bool isBatchName(std::string_view word);
/// The word is "cmd" or "cmd.exe", any case.
bool isCmd(std::string_view word);

/// What a command's first word makes of it.
enum class Program {
  kNothing,     // no word at all: the command does nothing
  kDir,         // "dir", any case
  kDel,         // "del", any case
  kBatch,       // a batch file's name (see isBatchName)
  kCmdMisused,  // "cmd" without "/c" right after it: a syntax error
  kUnknown,     // any other word: never run
};

/// A command's leading switches (words that begin with "/") and the rest of
/// the command after them as one literal name; when that rest begins and
/// ends with a double quote, the name is the text between them, and
/// `quoted` says so. No other quoting rule applies.
struct Arguments {
  std::vector<std::string_view> switches;
  std::string_view name;
  bool quoted = false;
  std::string_view written;  // the name as the line gives it, quotes kept
};

/// The command a line runs. Each "cmd /c" in front of it runs the rest of
/// the line, with its leading blanks and "@" skipped, one level deeper;
/// `shells` counts them.
struct Command {
  Program program = Program::kNothing;
  std::string_view word;  // the program's word as written
  Arguments args;
  size_t shells = 0;
};

/// A line's output file: a last word that begins with ">" (or ">>" to
/// append) names it. The target may be empty or begin with ">" still; that
/// is a syntax error when the line runs.
struct Redirection {
  bool redirected = false;
  bool append = false;
  std::string_view target;
};

/// A batch line or a command line, read once. Every view points into the
/// line that was read.
struct CommandLine {
  Command command;
  Redirection output;
  /// The first word of the line, an output word too, names a batch file:
  /// such a line is the interpreter's, and in a batch hands over for good.
  bool leads_with_batch_name = false;

  /// Nothing but blanks and "@": a batch skips the line.
  bool blank() const {
    return command.program == Program::kNothing && command.shells == 0 &&
           !output.redirected;
  }
  /// The line runs a batch file itself, not through "cmd /c".
  bool startsBatch() const {
    return command.program == Program::kBatch && command.shells == 0;
  }
  /// The line is the interpreter's: it names a batch file first or it is
  /// "cmd /c ...".
  bool forInterpreter() const {
    return leads_with_batch_name || command.shells > 0;
  }
};
CommandLine parseCommandLine(std::string_view line);
/// The same into `*parsed`, with `*words` as room for the line's words:
/// both keep what they hold from one line to the next.
void parseCommandLine(std::string_view line, CommandLine* parsed,
                      std::vector<Word>* words);

/// The name of `written` as a command's arguments read it: the text between
/// double quotes that open and close it, else `written` itself.
std::string_view nameOf(std::string_view written, bool* quoted);

/// The text around the name of one parsed line, so that a line that differs
/// from it in the name alone is read without parsing it again: one lookup
/// line after another differs only there.
class NameSlot {
 public:
  /// Takes the text before and after the name that `parsed` read from
  /// `line`; false (and nothing kept) where it read none, or no output
  /// file after it.
  bool learn(std::string_view line, const CommandLine& parsed);
  /// True where `line` is the learnt text before and after, around a name
  /// that parsing `line` would read as the one name there: the command and
  /// output of the learnt line, with `*written` as the name written.
  bool match(std::string_view line, std::string_view* written) const;

 private:
  bool known_ = false;
  std::string before_;
  std::string after_;
};

}  // namespace batch

#endif  // KESTREL_SHELL_BATCH_WORDS_H_
