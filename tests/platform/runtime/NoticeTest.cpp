#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Notice.h"

// Lines of their own: other tests' lines of the last seconds are no repeats of them.
TEST(Notice, EachLineIsSaidWholeAndOnceInABurstWhicheverThreadsSayIt) {
    testing::internal::CaptureStderr();
    std::vector<std::thread> threads;
    threads.reserve(3);
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                platform::Notice("notice test: said by every thread");
                platform::Notice(QStringLiteral("notice test: thread %1's own line").arg(t));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    QStringList said = QString::fromStdString(testing::internal::GetCapturedStderr()).split('\n');
    QStringList expected = {"vornal3: notice test: said by every thread", ""};
    for (int t = 0; t < 3; ++t) {
        expected.append(QStringLiteral("vornal3: notice test: thread %1's own line").arg(t));
    }
    said.sort();
    expected.sort();
    EXPECT_EQ(said, expected) << said.join('|').toStdString();
}
