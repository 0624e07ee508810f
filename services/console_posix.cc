// Placeholder until the terminal console is written: nothing is shown.
#include "services/console.h"

class Console::Impl {};

Console::Console() = default;
Console::~Console() = default;
bool Console::hasOutput() const { return false; }
bool Console::hasInput() const { return false; }
void Console::printText(std::string_view) {}
void Console::printNumber(int32_t) {}
void Console::newLine() {}
void Console::setColours(int, int) {}
void Console::beep() {}
std::string Console::readKey() { return ""; }
void Console::waitForInput(int) {}

std::string numberText(int32_t number) {
  std::string digits = std::to_string(number);
  if (number >= 0) return " " + digits + " ";
  return digits + " ";
}
