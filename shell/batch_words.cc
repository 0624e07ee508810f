// Lines, words and commands of the interpreter's input.
#include "shell/batch_words.h"

namespace batch {

namespace {

// Takes the output word off the end of `*text`, which has no lead: only the
// last word can name the output file.
Redirection takeOutput(std::string_view* text) {
  Redirection output;
  size_t end = text->find_last_not_of(' ');
  if (end == std::string_view::npos) return output;
  size_t blank = text->find_last_of(' ', end);
  size_t begin = blank == std::string_view::npos ? 0 : blank + 1;
  if ((*text)[begin] != '>') return output;
  output.redirected = true;
  output.target = text->substr(begin + 1, end - begin);
  if (!output.target.empty() && output.target[0] == '>') {
    output.append = true;
    output.target.remove_prefix(1);
  }
  *text = text->substr(0, begin);
  return output;
}

// The command after a "cmd /c" skips its own lead: the "@" signs that open
// the words from `at` on are dropped, and words made of them alone. Returns
// where the command's first word now is.
size_t skipInnerLead(std::vector<Word>* words, size_t at) {
  for (; at < words->size(); ++at) {
    Word& word = (*words)[at];
    size_t ats = word.text.find_first_not_of('@');
    if (ats == std::string_view::npos) continue;
    word.text.remove_prefix(ats);
    word.begin += ats;
    break;
  }
  return at;
}

Program programOf(std::string_view word) {
  if (sameIgnoringCase(word, "dir")) return Program::kDir;
  if (sameIgnoringCase(word, "del")) return Program::kDel;
  if (isBatchName(word)) return Program::kBatch;
  return Program::kUnknown;
}

// Reads the arguments of the program at `words[at]` of `text` into `*args`.
void readArguments(std::string_view text, const std::vector<Word>& words,
                   size_t at, Arguments* args) {
  size_t i = at + 1;
  while (i < words.size() && words[i].text[0] == '/') {
    args->switches.push_back(words[i++].text);
  }
  if (i < words.size()) {
    const Word& last = words.back();
    size_t end = last.begin + last.text.size();
    args->written = text.substr(words[i].begin, end - words[i].begin);
  }
  args->name = nameOf(args->written, &args->quoted);
}

// Reads the command that `words` of `text` give, through every "cmd /c" in
// front, into `*command`; its switches keep their room.
void readCommand(std::string_view text, std::vector<Word>* words,
                 Command* command) {
  std::vector<std::string_view> switches = std::move(command->args.switches);
  switches.clear();
  *command = Command();
  command->args.switches = std::move(switches);
  size_t at = 0;
  while (at < words->size() && isCmd((*words)[at].text)) {
    if (at + 1 == words->size() ||
        !sameIgnoringCase((*words)[at + 1].text, "/c")) {
      command->program = Program::kCmdMisused;
      command->word = (*words)[at].text;
      return;
    }
    ++command->shells;
    at = skipInnerLead(words, at + 2);
  }
  if (at == words->size()) return;
  command->word = (*words)[at].text;
  command->program = programOf(command->word);
  readArguments(text, *words, at, &command->args);
}

}  // namespace

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> found;
  size_t position = 0;
  while (position < text.size()) found.push_back(nextLine(text, &position));
  return found;
}

std::string_view nextLine(std::string_view text, size_t* position) {
  size_t start = *position;
  size_t end = text.find('\r', start);
  if (end == std::string_view::npos) end = text.size();
  *position = end + 1;
  if (*position < text.size() && text[*position] == '\n') ++*position;
  if (*position > text.size()) *position = text.size();
  return text.substr(start, end - start);
}

std::vector<Word> splitAtBlanks(std::string_view line) {
  std::vector<Word> words;
  // A command line has a few words: one allocation holds them.
  words.reserve(8);
  splitAtBlanks(line, &words);
  return words;
}

void splitAtBlanks(std::string_view line, std::vector<Word>* words) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) words->push_back({line.substr(start, i - start), start});
  }
}

std::string_view skipLead(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '@')) ++i;
  return line.substr(i);
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool isBatchName(std::string_view word) {
  if (word.size() <= 4) return false;
  std::string_view suffix = word.substr(word.size() - 4);
  return sameIgnoringCase(suffix, ".bat") || sameIgnoringCase(suffix, ".cmd");
}

bool isCmd(std::string_view word) {
  return sameIgnoringCase(word, "cmd") || sameIgnoringCase(word, "cmd.exe");
}

CommandLine parseCommandLine(std::string_view line) {
  CommandLine parsed;
  std::vector<Word> words;
  words.reserve(8);
  parseCommandLine(line, &parsed, &words);
  return parsed;
}

void parseCommandLine(std::string_view line, CommandLine* parsed,
                      std::vector<Word>* words) {
  std::string_view text = skipLead(line);
  parsed->leads_with_batch_name = isBatchName(text.substr(0, text.find(' ')));
  parsed->output = takeOutput(&text);
  splitAtBlanks(text, words);
  readCommand(text, words, &parsed->command);
}

std::string_view nameOf(std::string_view written, bool* quoted) {
  // A name in double quotes is the text between them, blanks and all.
  *quoted = written.size() >= 2 && written.front() == '"' &&
            written.back() == '"';
  return *quoted ? written.substr(1, written.size() - 2) : written;
}

bool NameSlot::learn(std::string_view line, const CommandLine& parsed) {
  // Only an output word after the name keeps the last word of every such
  // line out of the name.
  std::string_view written = parsed.command.args.written;
  known_ = parsed.output.redirected && !written.empty() &&
           written.data() >= line.data() &&
           written.data() + written.size() <= line.data() + line.size();
  if (!known_) return false;
  size_t begin = static_cast<size_t>(written.data() - line.data());
  before_.assign(line.substr(0, begin));
  after_.assign(line.substr(begin + written.size()));
  return true;
}

bool NameSlot::match(std::string_view line, std::string_view* written) const {
  if (!known_ || line.size() <= before_.size() + after_.size() ||
      line.substr(0, before_.size()) != before_ ||
      line.substr(line.size() - after_.size()) != after_) {
    return false;
  }
  std::string_view name =
      line.substr(before_.size(), line.size() - before_.size() - after_.size());
  // Blanks at either end would be read as the space between words, and a
  // "/" in front as one more switch.
  if (name.front() == ' ' || name.back() == ' ' || name.front() == '/')
    return false;
  *written = name;
  return true;
}

}  // namespace batch
