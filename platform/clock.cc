// Each call reads the clock anew.
#include "platform/clock.h"

#include <cstdio>
#include <ctime>

namespace {

// A clock the C library cannot convert reads as all zeros rather than
// failing: the date and time texts never fail.
std::tm localNow() {
  std::time_t now = std::time(nullptr);
  std::tm* local = std::localtime(&now);
  return local != nullptr ? *local : std::tm{};
}

}  // namespace

std::string dateText() {
  std::tm t = localNow();
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d", t.tm_mon + 1,
                t.tm_mday, t.tm_year + 1900);
  return buffer;
}

std::string timeText() {
  std::tm t = localNow();
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.tm_hour, t.tm_min,
                t.tm_sec);
  return buffer;
}
