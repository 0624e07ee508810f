// The pure rules that cut a command tail from a command line.
#include "platform/command_line.h"

std::string tailOfArguments(int argc, char** argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}

std::string tailOfCommandLine(std::string_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return "";
    i = close + 1;
    while (i < line.size() && line[i] == ' ') ++i;
    return std::string(line.substr(i));
  }
  if (!line.empty() && line[0] == ' ') {
    while (i < line.size() && line[i] == ' ') ++i;
    return std::string(line.substr(i));
  }
  while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
  if (i < line.size() && line[i] == ' ') {
    while (i < line.size() && line[i] == ' ') ++i;
  }
  return std::string(line.substr(i));
}
