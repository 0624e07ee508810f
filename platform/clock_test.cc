#include "platform/clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <regex>
#include <string>

namespace {

TEST(ClockTest, Forms) {
  EXPECT_TRUE(std::regex_match(
      dateText(), std::regex("(0[1-9]|1[0-2])-(0[1-9]|[12][0-9]|3[01])-"
                             "[0-9]{4}")))
      << dateText();
  EXPECT_TRUE(std::regex_match(
      timeText(), std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]")))
      << timeText();
}

// Restores the time zone setting when a test ends.
class TimeZoneTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* tz = getenv("TZ");
    had_tz_ = tz != nullptr;
    if (had_tz_) old_tz_ = tz;
  }
  void TearDown() override {
    if (had_tz_)
      setenv("TZ", old_tz_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool had_tz_ = false;
  std::string old_tz_;
};

TEST_F(TimeZoneTest, AfternoonReadsOnA24HourClock) {
  // A zone where it is 13 o'clock now: the hour must read 13, not 01, and
  // the date must be the one there, not the universal one.
  for (int attempt = 0; attempt < 3; ++attempt) {
    time_t now = time(nullptr);
    struct tm utc;
    gmtime_r(&now, &utc);
    int west = -((13 + 24 - utc.tm_hour) % 24);  // POSIX counts west
    if (west < -12) west += 24;
    std::string zone = "XXX" + std::to_string(west);
    setenv("TZ", zone.c_str(), 1);
    tzset();
    std::string time_text = timeText();
    std::string date_text = dateText();
    if (time(nullptr) / 3600 != now / 3600) continue;  // the hour turned
    SCOPED_TRACE(zone);
    EXPECT_EQ("13", time_text.substr(0, 2));

    time_t there_now = now - static_cast<time_t>(west) * 3600;
    struct tm there;
    gmtime_r(&there_now, &there);
    char expected[40];
    snprintf(expected, sizeof expected, "%02d-%02d-%04d", there.tm_mon + 1,
             there.tm_mday, there.tm_year + 1900);
    EXPECT_EQ(expected, date_text);
    return;
  }
  ADD_FAILURE() << "the hour kept turning";
}

}  // namespace
