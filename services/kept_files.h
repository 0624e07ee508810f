// The run's own scratch files, kept open between uses. While a run holds
// the drive root nobody else uses its scratch files, so a close of one of
// them parks the open file here and the next open of the same name takes it
// back, rewound, instead of asking the system again. The platform's file
// calls decide whether to use it; where another program must open the files
// itself (the real cmd on Windows) nothing is ever parked.
#ifndef KESTREL_SERVICES_KEPT_FILES_H_
#define KESTREL_SERVICES_KEPT_FILES_H_

#include <cstdint>
#include <string>
#include <vector>

/// From now on the files at these host paths are kept open between uses.
void keepFilesOpen(const std::vector<std::string>& host_paths);
/// Closes every parked file and keeps none from now on.
void closeKeptFiles();

/// True when the file at `host_path` is to be kept and none is open yet:
/// the caller opens it for reading and writing and hands it to `adoptKeptFile`.
bool wantsKeptFile(const std::string& host_path);
/// Takes the opened file of a kept path, `size` bytes long, as in use.
void adoptKeptFile(const std::string& host_path, intptr_t handle, int64_t size);
/// The parked file of `host_path`, now in use (not yet rewound); -1 when
/// none is parked.
intptr_t takeKeptFile(const std::string& host_path);
/// What the platform's calls know of a kept file: where its next read or
/// write goes (0 when it was taken or adopted) and its length (-1 when not
/// known), so that a cut to the length it already has is left out.
struct KeptState {
  int64_t position = 0;
  int64_t size = -1;
};
/// The state of a kept file in use; nullptr when `handle` is none.
KeptState* keptState(intptr_t handle);
/// Parks a kept file in use instead of closing it; false when `handle` is
/// not a kept file, which the caller then closes itself.
bool parkKeptFile(intptr_t handle);
/// Before the file at `host_path` goes away: a parked one is closed, one in
/// use is closed by its user as any other file.
void forgetKeptFile(const std::string& host_path);

#endif  // KESTREL_SERVICES_KEPT_FILES_H_
