#pragma once
// Shared helpers of the unit and widget tests.

#include <string>
#include <vector>

namespace testing_support {

// Failures that reached the event dispatch since the last call, as "handler: message".
std::vector<std::string> TakeReportedFailures();

// A fresh, empty folder under the system's temporary folder, removed at exit.
std::string MakeTempFolder();

}  // namespace testing_support
