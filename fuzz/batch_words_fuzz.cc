// Fuzzes the interpreter's batch and word parsing. Any text cuts into lines
// without a CR and lines into words without a blank; and a name written
// into the lookup line as kestrel writes it, bare or in double quotes, comes
// back as the one literal name, quoted when it was, with the capture as the
// only output file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shell/batch_words.h"

namespace {

void checkLine(std::string_view line) {
  if (line.find('\r') != std::string_view::npos) abort();
  for (const batch::Word& word : batch::splitAtBlanks(line)) {
    if (word.text.empty() || word.text.find(' ') != std::string_view::npos)
      abort();
    if (line.substr(word.begin, word.text.size()) != word.text) abort();
  }
  batch::ParsedLine parsed = batch::parseLine(line);
  std::vector<batch::Word> words = batch::splitAtBlanks(parsed.command);
  batch::Arguments args = batch::argumentsOf(parsed.command, words);
  if (args.name.size() > parsed.command.size()) abort();
}

// The lookup line with `written` in the name's place reads back as the one
// literal name `name`, in quotes when `quoted`, with the capture as the only
// output file.
void checkLookupLine(std::string_view written, std::string_view name,
                     bool quoted) {
  std::string text = "@del \\$DIR$\r\n@cmd /c DIR /X " + std::string(written) +
                     " >\\$DIR$\r\n";
  std::vector<std::string_view> lines = batch::lines(text);
  if (lines.size() != 2) abort();
  batch::ParsedLine parsed = batch::parseLine(lines[1]);
  if (!parsed.redirected || parsed.append || parsed.target != "\\$DIR$")
    abort();
  std::vector<batch::Word> words = batch::splitAtBlanks(parsed.command);
  if (words.size() < 3 || words[2].text != "DIR") abort();
  // After "cmd /c", the DIR command with its switch and the name.
  std::string_view dir_command = parsed.command.substr(words[2].begin);
  batch::Arguments args =
      batch::argumentsOf(dir_command, batch::splitAtBlanks(dir_command));
  if (args.switches.size() != 1 || args.name != name || args.quoted != quoted)
    abort();
}

// A name as a classic list gives it (no blank, no CR) stands as it is when
// it is not a switch and not in quotes; when it holds "*" or "?" it stands
// in double quotes, whatever quotes it holds itself. One as a modern list
// gives it (no CR, any blanks and quotes) stands in double quotes.
void checkLookupLines(std::string_view name) {
  std::string in_quotes = "\"" + std::string(name) + "\"";
  bool quoted = name.size() >= 2 && name.front() == '"' && name.back() == '"';
  bool classic =
      !name.empty() && name.find_first_of(" \r") == std::string_view::npos;
  if (classic && name[0] != '/' && !quoted) checkLookupLine(name, name, false);
  if (classic && name.find_first_of("*?") != std::string_view::npos)
    checkLookupLine(in_quotes, name, true);
  if (name.find('\r') == std::string_view::npos)
    checkLookupLine(in_quotes, name, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view line : batch::lines(text)) checkLine(line);
  checkLookupLines(text);
  return 0;
}
