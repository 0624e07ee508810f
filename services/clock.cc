// Each call reads the clock anew.
#include "services/clock.h"

#include <cstdio>
#include <ctime>

namespace {

std::tm localNow() {
  std::time_t now = std::time(nullptr);
  return *std::localtime(&now);
}

}  // namespace

std::string dateText() {
  std::tm t = localNow();
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d", t.tm_mon + 1,
                t.tm_mday, t.tm_year + 1900);
  return buffer;
}

std::string timeText() {
  std::tm t = localNow();
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.tm_hour, t.tm_min,
                t.tm_sec);
  return buffer;
}
