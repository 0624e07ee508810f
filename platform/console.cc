// The parts of the console that every platform shares.
#include "platform/console.h"

#include <string>

std::string numberText(int32_t number) {
  std::string digits = std::to_string(number);
  if (number >= 0) return " " + digits + " ";
  return digits + " ";
}

void Console::printNumber(int32_t number) { printText(numberText(number)); }

Console::Console() : impl_(makeConsoleImpl()) {}
Console::~Console() = default;
bool Console::hasOutput() const { return impl_->hasOutput(); }
bool Console::hasInput() const { return impl_->hasInput(); }
bool Console::showsStandardError() const { return impl_->showsStandardError(); }
void Console::printText(std::string_view text) { impl_->printText(text); }
void Console::newLine() { impl_->newLine(); }
void Console::setColours(int foreground, int background) {
  impl_->setColours(foreground, background);
}
void Console::beep() { impl_->beep(); }
std::string Console::readKey() { return impl_->readKey(); }
void Console::waitForInput(int milliseconds) {
  impl_->waitForInput(milliseconds);
}
