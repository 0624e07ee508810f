// Lines and words of the interpreter's input.
#include "shell/batch_words.h"

namespace batch {

std::vector<std::string_view> lines(std::string_view text) {
  std::vector<std::string_view> found;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\r', start);
    if (end == std::string_view::npos) end = text.size();
    found.push_back(text.substr(start, end - start));
    start = end + 1;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return found;
}

std::vector<Word> splitAtBlanks(std::string_view line) {
  std::vector<Word> words;
  // A command line has a few words: one allocation holds them.
  words.reserve(8);
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > start) words.push_back({line.substr(start, i - start), start});
  }
  return words;
}

std::string_view skipLead(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '@')) ++i;
  return line.substr(i);
}

std::string_view firstWord(std::string_view line) {
  line = skipLead(line);
  return line.substr(0, line.find(' '));
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

ParsedLine parseLine(std::string_view line) {
  ParsedLine parsed;
  parsed.command = skipLead(line);
  // Only the last word can name the output file.
  std::string_view command = parsed.command;
  size_t end = command.find_last_not_of(' ');
  if (end == std::string_view::npos) return parsed;
  size_t blank = command.find_last_of(' ', end);
  size_t begin = blank == std::string_view::npos ? 0 : blank + 1;
  if (command[begin] != '>') return parsed;
  parsed.redirected = true;
  parsed.target = command.substr(begin + 1, end - begin);
  if (!parsed.target.empty() && parsed.target[0] == '>') {
    parsed.append = true;
    parsed.target.remove_prefix(1);
  }
  parsed.command = command.substr(0, begin);
  return parsed;
}

Arguments argumentsOf(std::string_view command,
                      const std::vector<Word>& words) {
  Arguments args;
  size_t i = 1;
  while (i < words.size() && words[i].text[0] == '/') {
    args.switches.push_back(words[i++].text);
  }
  if (i < words.size()) {
    const Word& last = words.back();
    size_t end = last.begin + last.text.size();
    args.name = command.substr(words[i].begin, end - words[i].begin);
  }
  // A name in double quotes is the text between them, blanks and all.
  if (args.name.size() >= 2 && args.name.front() == '"' &&
      args.name.back() == '"') {
    args.name = args.name.substr(1, args.name.size() - 2);
    args.quoted = true;
  }
  return args;
}

}  // namespace batch
