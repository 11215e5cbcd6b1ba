#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

namespace testing_support {

namespace {
std::vector<std::string> reported;
std::vector<std::unique_ptr<QTemporaryDir>> folders;
}  // namespace

void RecordFailure(const std::string& text) {
    reported.push_back(text);
}

std::vector<std::string> TakeReportedFailures() {
    std::vector<std::string> out;
    out.swap(reported);
    return out;
}

std::string MakeTempFolder() {
    folders.push_back(std::make_unique<QTemporaryDir>());
    return QDir::toNativeSeparators(folders.back()->path()).toStdString();
}

}  // namespace testing_support
