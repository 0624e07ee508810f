// Fuzzes readLine over a file of any bytes: every line comes back without
// its line-end bytes, the lines never hold more bytes than the file, and
// reading ends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fopen(scratchFile().c_str(), "wb");
  if (file == nullptr || fwrite(data, 1, size, file) != size ||
      fclose(file) != 0)
    abort();

  // Both line-end rules; a lone LF ends a line only in the second.
  for (LineEnds ends : {LineEnds::kCr, LineEnds::kCrOrLf}) {
    ErrorRecord errors;
    DrivePaths paths;
    FileTable files(errors, paths);
    files.openFile(1, "\\LIST.TXT", FileMode::Input);
    if (errors.takeErrorNumber() != 0) abort();
    const char* line_ends = ends == LineEnds::kCr ? "\r" : "\r\n";
    size_t taken = 0;
    size_t reads = 0;
    while (!files.atEndOfFile(1)) {
      std::string line = files.readLine(1, ends);
      if (errors.takeErrorNumber() != 0) abort();
      if (line.find_first_of(line_ends) != std::string::npos) abort();
      taken += line.size();
      if (taken > size || ++reads > size) abort();
    }
    files.closeFile(1);
  }
  return 0;
}
