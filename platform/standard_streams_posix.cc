// Standard streams on POSIX: descriptors 1 and 2.
#include <unistd.h>

#include "platform/posix_io.h"
#include "platform/standard_streams.h"

namespace {

int descriptorOf(StandardStream stream) {
  return stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO;
}

}  // namespace

bool isTerminal(StandardStream stream) {
  return isatty(descriptorOf(stream)) != 0;
}

void writeToStream(StandardStream stream, std::string_view text) {
  (void)writeAll(descriptorOf(stream), text.data(), text.size());
}
