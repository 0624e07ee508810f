// Fuzzes readLine over a file of any bytes: the lines read, in both
// line-end rules, are those that the rules give when applied byte by byte
// to the whole file, wherever the file table's reads of 4096 bytes cut it;
// so every line comes back without its line-end bytes, and reading ends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/error_record.h"
#include "runtime/file_table.h"

namespace {

// The scratch file's host path, in a directory of this process's own that
// is also the drive root, so that "\\LIST.TXT" names it.
const std::string& scratchFile() {
  static const std::string path = [] {
    char pattern[] = "/tmp/read_line_fuzz.XXXXXX";
    if (mkdtemp(pattern) == nullptr || setenv("DRIVE_ROOT", pattern, 1) != 0)
      abort();
    static std::string dir = pattern;
    atexit([] {
      remove((dir + "/LIST.TXT").c_str());
      remove(dir.c_str());
    });
    return dir + "/LIST.TXT";
  }();
  return path;
}

// The lines of `data` by the rules, one byte at a time: Ctrl-Z ends the
// data; CR ends a line, and an LF right after it belongs to that line end;
// with `lf_ends` a lone LF ends a line too. A last line without a line end
// is a line when it holds a byte.
std::vector<std::string> linesByTheRules(std::string_view data, bool lf_ends) {
  data = data.substr(0, data.find('\x1a'));
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < data.size(); ++i) {
    char c = data[i];
    if (c == '\r' || (c == '\n' && lf_ends)) {
      if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ++i;
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fopen(scratchFile().c_str(), "wb");
  if (file == nullptr || fwrite(data, 1, size, file) != size ||
      fclose(file) != 0)
    abort();

  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Both line-end rules; a lone LF ends a line only in the second.
  for (LineEnds ends : {LineEnds::kCr, LineEnds::kCrOrLf}) {
    ErrorRecord errors;
    DrivePaths paths;
    FileTable files(errors, paths);
    files.openFile(1, "\\LIST.TXT", FileMode::Input);
    if (errors.takeErrorNumber() != 0) abort();
    std::vector<std::string> expected =
        linesByTheRules(bytes, ends == LineEnds::kCrOrLf);
    size_t reads = 0;
    while (!files.atEndOfFile(1)) {
      std::string line = files.readLine(1, ends);
      if (errors.takeErrorNumber() != 0) abort();
      // Reading ends, with the lines the rules give, in their order.
      if (reads >= expected.size() || line != expected[reads]) abort();
      ++reads;
    }
    if (reads != expected.size()) abort();
    files.closeFile(1);
  }
  return 0;
}
