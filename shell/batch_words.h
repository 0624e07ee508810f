// How the built-in interpreter reads what it runs: batch text cut into
// lines, a line cut into words, its output file, and a command's switches
// and the one literal name after them. Nothing here touches the system.
#ifndef KESTREL_SHELL_BATCH_WORDS_H_
#define KESTREL_SHELL_BATCH_WORDS_H_

#include <string_view>
#include <vector>

namespace batch {

/// The lines of a batch file: each ends at a CR, and one LF right after it
/// belongs to the line end. Any other byte, a lone LF too, is part of the
/// line, so that a name written into a line stays one name.
std::vector<std::string_view> lines(std::string_view text);

/// A word of a line and where it begins there.
struct Word {
  std::string_view text;
  size_t begin;
};
/// Splits on blanks only: a tab, a quote or any other byte is part of a
/// word.
std::vector<Word> splitAtBlanks(std::string_view line);

/// The line without its leading blanks and the "@" that keeps a batch line
/// from echoing.
std::string_view skipLead(std::string_view line);
/// The first word after the lead.
std::string_view firstWord(std::string_view line);

/// Equal with the ASCII letters folded.
bool sameIgnoringCase(std::string_view a, std::string_view b);
/// The word names a batch file: it ends in .BAT or .CMD, any case.
bool isBatchName(std::string_view word);
/// The word is "cmd" or "cmd.exe", any case.
bool isCmd(std::string_view word);

/// A line split into its command and its output file: a last word that
/// begins with ">" (or ">>" to append) names the file.
struct ParsedLine {
  std::string_view command;
  bool redirected = false;
  bool append = false;
  std::string_view target;
};
ParsedLine parseLine(std::string_view line);

/// A command's leading switches (words that begin with "/") and the rest of
/// the command after them as one literal name; when that rest begins and
/// ends with a double quote, the name is the text between them, and
/// `quoted` says so. No other quoting rule applies.
struct Arguments {
  std::vector<std::string_view> switches;
  std::string_view name;
  bool quoted = false;
};
/// `words` are the words of `command`, the first one the command's name.
Arguments argumentsOf(std::string_view command, const std::vector<Word>& words);

}  // namespace batch

#endif  // KESTREL_SHELL_BATCH_WORDS_H_
