// What both tools do first of all, before any file is opened: a broken pipe
// on standard output or error loses a message instead of killing the run,
// and a standard stream that was closed is opened on the null device, so
// that no file the run opens can take its number and receive its messages.
#ifndef KESTREL_PLATFORM_PROCESS_SETUP_H_
#define KESTREL_PLATFORM_PROCESS_SETUP_H_

void setUpProcess();

#endif  // KESTREL_PLATFORM_PROCESS_SETUP_H_
