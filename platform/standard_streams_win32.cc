// Standard streams on Windows: the process's standard handles.
#include <windows.h>

#include "platform/standard_streams.h"

namespace {

HANDLE handleOf(StandardStream stream) {
  return GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE
                                                        : STD_ERROR_HANDLE);
}

}  // namespace

bool isTerminal(StandardStream stream) {
  return GetFileType(handleOf(stream)) == FILE_TYPE_CHAR;
}

void writeToStream(StandardStream stream, std::string_view text) {
  HANDLE handle = handleOf(stream);
  while (!text.empty()) {
    DWORD written = 0;
    DWORD chunk =
        text.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(text.size());
    if (!WriteFile(handle, text.data(), chunk, &written, nullptr) ||
        written == 0) {
      return;
    }
    text.remove_prefix(written);
  }
}
