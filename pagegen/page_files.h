// The numbers and names of the files of a kestrel run, and its limits for
// texts put together before they are written: shared by the parts of the
// page generator.
#ifndef KESTREL_PAGEGEN_PAGE_FILES_H_
#define KESTREL_PAGEGEN_PAGE_FILES_H_

#include <cstddef>
#include <cstdint>

namespace page_files {

// The file numbers; the list's is the configuration file's before it.
inline constexpr int16_t kListFile = 1;
inline constexpr int16_t kPageFile = 2;
inline constexpr int16_t kCaptureFile = 3;
inline constexpr int16_t kBatchFile = 4;

inline constexpr char kConfigName[] = "\\KESTREL.INI";
inline constexpr char kListName[] = "FILES.BBS";
// The list of file managers, which a modern area may have instead.
inline constexpr char kDescriptionsName[] = "DESCRIPT.ION";
inline constexpr char kBatchName[] = "\\$DIR$.BAT";
inline constexpr char kCaptureName[] = "\\$DIR$";
// A capture's first entry line follows its five header lines.
inline constexpr int kCaptureLinesRead = 6;
// The longest batch, and the longest name line, put together before it is
// written.
inline constexpr size_t kWholeBatchLimit = 64 * 1024;
inline constexpr size_t kWholeLineLimit = 64 * 1024;

}  // namespace page_files

#endif  // KESTREL_PAGEGEN_PAGE_FILES_H_
