// Fuzzes a name's round trip through a modern list: any name a listing can
// hold, written by either modern list writer (wagtails --modern from a DIR /X
// line, or the list kestrel --modern makes from bare names), reads back
// through kestrel --modern's line rules as the same name, a directory's line
// after its backslash mark; looked up, the name reaches DIR whole, and the
// capture line that lists it gives its row its own cells.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "listbuild/line_converter.h"
#include "pagegen/rows.h"
#include "shell/batch_words.h"
#include "shell/dir_listing.h"
#include "text/capture_line.h"
#include "text/list_line.h"
#include "text/list_name.h"

namespace {

constexpr char kPageName[] = "00_INDEX.HTM";
constexpr char kDescription[] = "  Some text";

// Names that no list holds: those with a control byte (the listing leaves
// them out), hidden ones, and the index names and the page, which a reader
// skips by design.
bool isListable(std::string_view name) {
  if (name.empty() || name[0] == '.') return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) < 32) return false;
  return !list_line::isReservedName(name) && name != kPageName;
}

// `line`, with and without a description after it, reads back as `name`.
void checkReadBack(const std::string& line, std::string_view name,
                   bool directory) {
  if ((line[0] == '\\') != directory) abort();
  for (std::string description : {"", kDescription}) {
    std::string read = line + description;
    list_line::Sorted sorted =
        list_line::classify(&read, kPageName, AreaStyle::kModern);
    if (sorted.kind != list_line::Kind::kEntry) abort();
    list_line::Entry entry = list_line::splitEntry(read, AreaStyle::kModern);
    if (entry.name != name) abort();
    if (entry.description != (description.empty() ? "" : " Some text")) abort();
  }
}

// The lookup line that kestrel --modern writes for `name` gives DIR the one
// literal name, and its capture line gives the row the file's own cells.
void checkLookup(const std::string& name, const std::string& capture) {
  std::string batch =
      "@del \\$DIR$\r\n@cmd /c DIR /X \"" + name + "\" >\\$DIR$\r\n";
  std::vector<std::string_view> lines = batch::lines(batch);
  if (lines.size() != 2) abort();
  batch::CommandLine parsed = batch::parseCommandLine(lines[1]);
  if (!parsed.output.redirected || parsed.output.target != "\\$DIR$") abort();
  if (parsed.command.program != batch::Program::kDir) abort();
  if (parsed.command.args.name != name) abort();
  rows::Cells cells = rows::cellsFromCapture(capture, name, AreaStyle::kModern);
  if (cells.date != capture_line::dateField(capture)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string name(reinterpret_cast<const char*>(data), size);
  if (!isListable(name)) return 0;

  for (bool directory : {false, true}) {
    DirEntry entry{name, directory, size, 1700000000};
    std::string capture = entryLine(entry, DirFormat::kShortNames);
    std::optional<std::string> line = listbuild::modernListLineFor(capture);
    if (!line) {
      // Only the capture file's own entry is left out.
      if (name != listbuild::kCaptureName) abort();
      continue;
    }
    checkReadBack(*line, name, directory);
    if (!directory) checkLookup(name, capture);
  }
  // The list kestrel --modern makes holds bare names, directories too.
  checkReadBack(modernListName(name), name, false);
  return 0;
}
