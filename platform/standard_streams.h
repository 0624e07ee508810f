// The process's standard output and standard error as plain byte streams,
// for messages written beside the console: whether a stream is a terminal,
// and a write that loses its text rather than fail the run when the stream
// takes nothing more (a closed pipe, a full disk).
#ifndef KESTREL_PLATFORM_STANDARD_STREAMS_H_
#define KESTREL_PLATFORM_STANDARD_STREAMS_H_

#include <string_view>

enum class StandardStream { kOutput, kError };

/// True when `stream` is a terminal.
bool isTerminal(StandardStream stream);

/// Writes all of `text` to `stream`, or as much as it takes.
void writeToStream(StandardStream stream, std::string_view text);

#endif  // KESTREL_PLATFORM_STANDARD_STREAMS_H_
