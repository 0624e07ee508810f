// How a name is written into a list of the modern style, shared by the tool
// that makes lists and the one that makes a missing list itself: as it is,
// or in double quotes when it holds a blank, since a bare name ends at its
// first blank.
#ifndef KESTREL_SERVICES_LIST_NAME_H_
#define KESTREL_SERVICES_LIST_NAME_H_

#include <optional>
#include <string>
#include <string_view>

/// `name` as a modern list writes it, or nullopt for a name holding both a
/// blank and a double quote, which no list line can hold as one name.
std::optional<std::string> modernListName(std::string_view name);

#endif  // KESTREL_SERVICES_LIST_NAME_H_
