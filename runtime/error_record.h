// The run-time error record of a tool run: every failing service operation
// records an error number here, and the tool's main routine asks
// `checkError` after each statement whether control passes to its error step.
#ifndef KESTREL_RUNTIME_ERROR_RECORD_H_
#define KESTREL_RUNTIME_ERROR_RECORD_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error_number.h"

/// What the operation that failed was doing with which file, so that a
/// report can name it: the file number (0 for none), the use and the host
/// path of the file, the program or the directory.
struct FailedUse {
  enum Kind { kNone, kRead, kWrite, kRun, kLock };
  Kind kind = kNone;
  int16_t file_number = 0;
  std::string host_path;
};

/// One per tool run. Steps are small integers chosen by the tool.
class ErrorRecord {
 public:
  static constexpr int kNoStep = -1;

  /// A numbered step makes itself current: number and label.
  void enterStep(uint16_t number);
  /// A named step makes itself current: label only (at most 8 characters).
  void enterLabel(std::string_view label);

  /// Records a failure; 0 becomes 51. 241 or more also marks the run as one
  /// that must end at once (`fatal`).
  void fail(int number);
  /// Records a failure of `use`.
  void fail(int number, FailedUse use);
  /// The use of the failure recorded last (kNone when it named none); kept
  /// until the next failure.
  const FailedUse& failedUse() const { return failed_use_; }
  /// True between a failure and the `checkError` after its statement.
  bool pending() const { return pending_; }
  /// True once a failure of 241 or more was recorded: the run's own memory
  /// can no longer be trusted. The tool's step loop then ends the run as
  /// soon as the step returns, with nothing more written, closed or
  /// reported, and its main ends with exit code 255. Emptying the record
  /// does not change it.
  bool fatal() const { return fatal_; }

  /// Replaces (or with kNoStep removes) the error step; clears the pending
  /// mark.
  void setErrorStep(int step);
  int errorStep() const { return error_step_; }

  /// After each statement: true when a failure is pending and an error step
  /// is set, so that control passes to `errorStep()`; a failure with no
  /// error step is passed over and stays in the record.
  bool checkError();

  /// Error line of the record, 0 when the record is empty.
  uint16_t errorLine() const;
  /// Error label up to its first blank, "" when the record is empty.
  std::string errorLabel() const;
  /// The recorded number (0 when empty); empties the whole record.
  int takeErrorNumber();
  /// Ends the handling of the current failure: one still pending is not
  /// acted on.
  void leaveErrorStep();

 private:
  int number_ = 0;
  FailedUse failed_use_;
  uint16_t line_ = 0;
  std::string label_;
  bool pending_ = false;
  bool fatal_ = false;
  int error_step_ = kNoStep;
  uint16_t current_number_ = 0;
  // The current label: the step's number when `label_is_number_`, made
  // into text only when a failure needs it (steps run once per entry).
  char current_label_[8] = {};
  size_t current_label_size_ = 0;
  bool label_is_number_ = false;
};

#endif  // KESTREL_RUNTIME_ERROR_RECORD_H_
