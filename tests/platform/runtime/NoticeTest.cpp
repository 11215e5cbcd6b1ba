#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <thread>

#include "platform/runtime/Notice.h"

// Lines of their own: other tests' lines of the last seconds are no repeats of them.
TEST(Notice, EachLineIsSaidWholeAndOnceInABurstWhicheverThreadsSayIt) {
    const auto say = [](int thread) {
        for (int i = 0; i < 200; ++i) {
            platform::Notice("notice test: said by both threads");
            platform::Notice(QStringLiteral("notice test: thread %1's own line").arg(thread));
        }
    };
    testing::internal::CaptureStderr();
    std::thread other(say, 1);
    say(0);
    other.join();
    QStringList said = QString::fromStdString(testing::internal::GetCapturedStderr()).split('\n');
    said.sort();
    EXPECT_EQ(
        said.join('|').toStdString(),
        "|vornal3: notice test: said by both threads"
        "|vornal3: notice test: thread 0's own line|vornal3: notice test: thread 1's own line");
}
