// Names in modern lists.
#include "text/list_name.h"

#include <cstdio>
#include <utility>

#include "text/visible_text.h"

namespace {
constexpr char kQuote = '"';
}  // namespace

bool beginsWithDirectoryMark(std::string_view name) {
  return !name.empty() && name[0] == '\\';
}

void reportDirectoryMarkName(std::string_view name) {
  std::fprintf(stderr, "Skipped a name beginning with a backslash: %s\n",
               visible::caretText(name).c_str());
  std::fflush(stderr);
}

std::string lfLineEndsAdvice(std::string_view command) {
  return "convert it to CR LF line ends (for example with unix2dos) or run " +
         std::string(command);
}

bool needsListQuotes(std::string_view name) {
  if (name.empty()) return false;
  unsigned char first = static_cast<unsigned char>(name[0]);
  return first == kQuote || first == '\\' || first == '-' || first < 32 ||
         first == 127 || name.find_first_of(" \t") != std::string_view::npos;
}

std::string modernListName(std::string_view name) {
  if (!needsListQuotes(name)) return std::string(name);
  std::string quoted(1, kQuote);
  quoted.reserve(name.size() + 2);
  for (char c : name) {
    if (c == kQuote) quoted += kQuote;
    quoted += c;
  }
  quoted += kQuote;
  return quoted;
}

std::optional<QuotedName> readQuotedName(std::string_view line) {
  if (line.empty() || line[0] != kQuote) return std::nullopt;
  std::string name;
  for (size_t from = 1;;) {
    size_t quote = line.find(kQuote, from);
    if (quote == std::string_view::npos) return std::nullopt;
    name.append(line.substr(from, quote - from));
    if (quote + 1 < line.size() && line[quote + 1] == kQuote) {
      name += kQuote;
      from = quote + 2;
    } else if (name.empty()) {
      return std::nullopt;
    } else {
      return QuotedName{std::move(name), quote + 1};
    }
  }
}
