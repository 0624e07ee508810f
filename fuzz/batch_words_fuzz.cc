// Fuzzes the interpreter's batch and command-line parsing. Any text cuts
// into lines without a CR and lines into words without a blank; a line is
// read into pieces of itself, and "cmd /c" in front of it only adds a level;
// and a name written into the lookup line as kestrel writes it, bare or in
// double quotes, comes back as the one literal name, quoted when it was,
// with the capture as the only output file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "shell/batch_words.h"

namespace {

using batch::CommandLine;
using batch::parseCommandLine;

// True when `part` is a piece of `line` itself (empty views may lie
// anywhere).
bool within(std::string_view part, std::string_view line) {
  if (part.empty()) return true;
  return part.data() >= line.data() &&
         part.data() + part.size() <= line.data() + line.size();
}

bool sameReading(const CommandLine& a, const CommandLine& b) {
  const batch::Command& x = a.command;
  const batch::Command& y = b.command;
  return x.program == y.program && x.word == y.word &&
         x.args.switches == y.args.switches && x.args.name == y.args.name &&
         x.args.quoted == y.args.quoted &&
         a.output.redirected == b.output.redirected &&
         a.output.append == b.output.append &&
         a.output.target == b.output.target;
}

// Words hold no blank and stand where they were found; what a line is read
// into is all pieces of the line, the name without a blank at either end;
// and "cmd /c" in front of a line with no lead runs the same command one
// level deeper.
void checkLine(std::string_view line) {
  if (line.find('\r') != std::string_view::npos) abort();
  for (const batch::Word& word : batch::splitAtBlanks(line)) {
    if (word.text.empty() || word.text.find(' ') != std::string_view::npos)
      abort();
    if (line.substr(word.begin, word.text.size()) != word.text) abort();
  }
  CommandLine parsed = parseCommandLine(line);
  const batch::Arguments& args = parsed.command.args;
  if (!within(parsed.command.word, line) || !within(args.name, line) ||
      !within(args.written, line) || !within(parsed.output.target, line))
    abort();
  if (!args.written.empty() &&
      (args.written.front() == ' ' || args.written.back() == ' '))
    abort();
  if (line.empty() || batch::skipLead(line) != line) return;
  std::string nested = "cmd /c " + std::string(line);
  CommandLine deeper = parseCommandLine(nested);
  if (!sameReading(parsed, deeper) ||
      deeper.command.shells != parsed.command.shells + 1)
    abort();
}

// The lookup line with `written` in the name's place reads back as the one
// literal name `name`, in quotes when `quoted`, given to DIR /X after one
// "cmd /c", with the capture as the only output file.
void checkLookupLine(std::string_view written, std::string_view name,
                     bool quoted) {
  std::string text = "@del \\$DIR$\r\n@cmd /c DIR /X " + std::string(written) +
                     " >\\$DIR$\r\n";
  std::vector<std::string_view> lines = batch::lines(text);
  if (lines.size() != 2) abort();
  CommandLine parsed = parseCommandLine(lines[1]);
  if (!parsed.output.redirected || parsed.output.append ||
      parsed.output.target != "\\$DIR$")
    abort();
  const batch::Command& command = parsed.command;
  if (command.program != batch::Program::kDir || command.shells != 1) abort();
  if (command.args.switches.size() != 1 || command.args.name != name ||
      command.args.quoted != quoted)
    abort();
  if (parseCommandLine(lines[0]).command.args.name != "\\$DIR$") abort();
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
