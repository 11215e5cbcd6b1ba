#include <gtest/gtest.h>

#include "platform/forms/ClockFormat.h"

using platform::HoursAndMinutes;

TEST(ClockFormat, ShowsHoursAndMinutesWithoutSeconds) {
    EXPECT_EQ(HoursAndMinutes(QStringLiteral("HH:mm:ss")), QStringLiteral("HH:mm"));
    EXPECT_EQ(HoursAndMinutes(QStringLiteral("h:mm:ss AP")), QStringLiteral("h:mm AP"));
    EXPECT_EQ(HoursAndMinutes(QStringLiteral("HH.mm.ss.zzz")), QStringLiteral("HH.mm"));
    // Formats of hours and minutes alone stay as the system gives them.
    EXPECT_EQ(HoursAndMinutes(QStringLiteral("h:mm AP")), QStringLiteral("h:mm AP"));
    EXPECT_EQ(HoursAndMinutes(QStringLiteral("H.mm")), QStringLiteral("H.mm"));
}
