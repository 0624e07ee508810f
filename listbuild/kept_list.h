// The keeper's FILES.BBS as an update of the list keeps it: its bytes up to
// a Ctrl-Z, copied unchanged, and the entry names its lines give, read as
// kestrel reads them, so that an entry already named is not added again and
// a named entry the directory no longer holds can be reported.
#ifndef KESTREL_LISTBUILD_KEPT_LIST_H_
#define KESTREL_LISTBUILD_KEPT_LIST_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "runtime/area_style.h"

namespace listbuild {

/// The entry name that the list line `line` begins with, as kestrel splits
/// it in `style`: one leading backslash dropped, a quoted name whole in the
/// modern style. nullopt for an empty or blank line, a "-" comment and a
/// continuation, which name no entry.
std::optional<std::string> namedEntry(std::string_view line, AreaStyle style);

/// True for the names an update never adds: the lists themselves, and the
/// index and description files that kestrel skips.
bool isNeverAdded(std::string_view name);

class KeptList {
 public:
  explicit KeptList(AreaStyle style) : style_(style) {}

  /// Takes the next line of the list and the bytes that ended it; a last
  /// line that ends at the end of the data gets CR LF.
  void addLine(std::string_view line, std::string_view line_end);
  /// The bytes to write first, the list as it was read.
  const std::string& bytes() const { return bytes_; }
  /// True when the list already holds `list_line`, the line an update
  /// would add for one entry of the directory: a line of the list names the
  /// same entry, or, for a line that names none, is that very line. The
  /// entry then counts as present.
  bool holds(std::string_view list_line);
  /// The names the list gives that no entry of `holds` matched, in the
  /// order of the list, each once.
  std::vector<std::string> missingEntries() const;
  /// True when a line held a lone LF, so that kestrel's default style reads
  /// several lines as one.
  bool hasLfInLine() const { return lf_in_line_; }

 private:
  // The key under which a name is found: itself, or in the modern style,
  // where kestrel finds a name in another case of its ASCII letters too,
  // folded to upper case.
  std::string keyOf(std::string_view name) const;

  const AreaStyle style_;
  std::string bytes_;
  std::vector<std::string> names_;  // in list order, each key once
  std::vector<bool> present_;       // per name: an entry matched it
  std::unordered_map<std::string, size_t> index_;  // key -> names_
  std::unordered_set<std::string> unnamed_lines_;  // lines naming nothing
  bool lf_in_line_ = false;
};

}  // namespace listbuild

#endif  // KESTREL_LISTBUILD_KEPT_LIST_H_
