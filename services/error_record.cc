// Error numbers, their message texts and the error record.
#include "services/error_record.h"

#include <cstdlib>

// clang-format off
std::string errorMessage(int number) {
  switch (number > 255 ? 0 : number) {
    case 0: return "No Error";
    case 5: return "Illegal function call";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript/Pointer out of range";
    case 11: return "Division by zero";
    case 24: return "Device timeout";
    case 51: return "Internal error";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 54: return "Bad file mode";
    case 55: return "File is open";
    case 57: return "Device I/O error";
    case 58: return "File already exists";
    case 61: return "Disk full";
    case 62: return "Input past end";
    case 63: return "Bad record number";
    case 64: return "Bad file name";
    case 67: return "Too many files";
    case 68: return "Device unavailable";
    case 69: return "Comm error";
    case 70: return "Permission denied";
    case 71: return "Disk not ready";
    case 72: return "Disk media error";
    case 74: return "Rename across disks";
    case 75: return "Path/file access error";
    case 76: return "Path not found";
    case 99: return "Object error";
    case 241: return "Global memory corrupt";
    case 242: return "String space corrupt";
    default: return "";
  }
}
// clang-format on

void ErrorRecord::enterStep(uint16_t number) {
  current_number_ = number;
  current_label_ = std::to_string(number);
}

void ErrorRecord::enterLabel(const std::string& label) {
  current_label_ = label.substr(0, 8);
}

void ErrorRecord::fail(int number) {
  if (number == 0) number = kInternalError;
  number_ = number;
  line_ = current_number_;
  label_ = current_label_;
  pending_ = true;
  // These numbers mean the run's own memory can no longer be trusted.
  if (number >= kGlobalMemoryCorrupt) std::exit(255);
}

void ErrorRecord::setErrorStep(int step) {
  error_step_ = step;
  pending_ = false;
}

bool ErrorRecord::checkError() {
  if (!pending_) return false;
  pending_ = false;
  if (error_step_ == kNoStep) return false;
  in_error_step_ = true;
  return true;
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

void ErrorRecord::leaveErrorStep() {
  pending_ = false;
  in_error_step_ = false;
}
