// What a run undoes when a signal stops it (on POSIX SIGHUP, SIGINT, SIGQUIT
// and SIGTERM): files it was still making are removed and registered actions
// run (the console gives the terminal back); then the signal ends the process
// as it would have. A signal that was ignored when the run started stays
// ignored. Where no such signal exists (Windows) nothing is registered.
#ifndef KESTREL_PLATFORM_STOP_SIGNALS_H_
#define KESTREL_PLATFORM_STOP_SIGNALS_H_

#include <string>

/// Runs `action` when a stop signal arrives; it must be async-signal-safe.
void runOnStop(void (*action)());

/// The file at `host_path` is removed when a stop signal ends the run before
/// `keepOnStop` is called for it: a file half made is never taken for a
/// whole one. A few such files at a time (the tools need two).
void removeOnStop(const std::string& host_path);
void keepOnStop(const std::string& host_path);

#endif  // KESTREL_PLATFORM_STOP_SIGNALS_H_
