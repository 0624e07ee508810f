// Fuzzes the capture cutter: any line is cut, and no field is wider than
// its columns.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/capture_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace capture_columns;
  std::string_view line(reinterpret_cast<const char*>(data), size);
  long length = static_cast<long>(size);
  if (static_cast<long>(capture_line::dateField(line).size()) > kDateWidth)
    abort();
  if (static_cast<long>(capture_line::sizeField(line).size()) > kSizeWidth)
    abort();
  // The long name is the line from its column on, all of it.
  if (static_cast<long>(capture_line::longNameField(line).size()) !=
      std::max(0L, length - (kNameColumn - 1)))
    abort();
  if (capture_line::hasDirMark(line) &&
      length < kDirMarkColumn - 1 + static_cast<long>(kDirMark.size()))
    abort();
  std::string name(capture_line::nameText(line));
  if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) abort();
  long before_names = kShortNameColumn - 1;
  if (length >= before_names &&
      static_cast<long>(capture_line::namesFromColumn40(line).size()) +
              before_names >
          length)
    abort();
  return 0;
}
