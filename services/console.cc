// The parts of the console that every platform shares.
#include "services/console.h"

#include <string>

std::string numberText(int32_t number) {
  std::string digits = std::to_string(number);
  if (number >= 0) return " " + digits + " ";
  return digits + " ";
}

void Console::printNumber(int32_t number) { printText(numberText(number)); }
