// The local date and time texts of the system clock.
#ifndef KESTREL_PLATFORM_CLOCK_H_
#define KESTREL_PLATFORM_CLOCK_H_

#include <string>

/// Today's local date as "MM-DD-YYYY".
std::string dateText();
/// The local time as "hh:mm:ss" on a 24-hour clock.
std::string timeText();

#endif  // KESTREL_PLATFORM_CLOCK_H_
