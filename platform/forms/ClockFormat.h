#pragma once
// What the status bar's clock shows: the time in hours and minutes, in the system's short
// time format.

#include <QString>

namespace platform {

// A short time format without its seconds, where it has them (as the plain C locale's
// "HH:mm:ss" has): the clock then changes, and is repainted, once a minute.
QString HoursAndMinutes(QString shortTimeFormat);

}  // namespace platform
