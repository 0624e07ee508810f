// Names in modern lists.
#include "services/list_name.h"

std::optional<std::string> modernListName(std::string_view name) {
  if (name.find(' ') == std::string_view::npos) return std::string(name);
  if (name.find('"') != std::string_view::npos) return std::nullopt;
  return "\"" + std::string(name) + "\"";
}
