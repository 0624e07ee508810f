// The error record.
#include "runtime/error_record.h"

#include <utility>

void ErrorRecord::enterStep(uint16_t number) {
  current_number_ = number;
  label_is_number_ = true;
}

void ErrorRecord::enterLabel(std::string_view label) {
  current_label_size_ = label.copy(current_label_, sizeof current_label_);
  label_is_number_ = false;
}

void ErrorRecord::fail(int number) { fail(number, FailedUse()); }

void ErrorRecord::fail(int number, FailedUse use) {
  failed_use_ = std::move(use);
  if (number == 0) number = kInternalError;
  number_ = number;
  line_ = current_number_;
  label_ = label_is_number_
               ? std::to_string(current_number_)
               : std::string(current_label_, current_label_size_);
  pending_ = true;
  // These numbers mean the run's own memory can no longer be trusted.
  if (number >= kGlobalMemoryCorrupt) fatal_ = true;
}

void ErrorRecord::setErrorStep(int step) {
  error_step_ = step;
  pending_ = false;
}

bool ErrorRecord::checkError() {
  if (!pending_) return false;
  pending_ = false;
  return error_step_ != kNoStep;
}

uint16_t ErrorRecord::errorLine() const { return number_ == 0 ? 0 : line_; }

std::string ErrorRecord::errorLabel() const {
  if (number_ == 0) return "";
  return label_.substr(0, label_.find(' '));
}

int ErrorRecord::takeErrorNumber() {
  int number = number_;
  number_ = 0;
  line_ = 0;
  label_.clear();
  pending_ = false;
  return number;
}

void ErrorRecord::leaveErrorStep() { pending_ = false; }
