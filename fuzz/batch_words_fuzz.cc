// Fuzzes the interpreter's batch and word parsing. Any text cuts into lines
// without a CR and lines into words without a blank; and a name written
// into the lookup line as kestrel writes it comes back as the one literal
// name, with the capture as the only output file.
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

// A name as a list gives it: no blank, no CR, and not a switch.
void checkLookupLine(std::string_view name) {
  if (name.empty() || name[0] == '/' ||
      name.find_first_of(" \r") != std::string_view::npos)
    return;
  std::string text =
      "@del \\$DIR$\r\n@cmd /c DIR /X " + std::string(name) + " >\\$DIR$\r\n";
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
  if (args.switches.size() != 1 || args.name != name) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (std::string_view line : batch::lines(text)) checkLine(line);
  checkLookupLine(text);
  return 0;
}
