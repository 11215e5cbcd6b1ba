#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/CommandLine.h"

using platform::CommandLine;
using platform::ReadCommandLine;
using Outcome = platform::CommandLine::Outcome;

namespace {

CommandLine Read(const std::vector<std::string>& arguments) {
    std::vector<std::string> line{"/usr/bin/vornal3"};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return ReadCommandLine(line);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(CommandLine, HelpAndVersionAnswerInEverySpellingWhateverElseTheLineHolds) {
    for (const std::vector<std::string>& line :
         {std::vector<std::string>{"--version"}, {"-v"}, {"-version"}, {"--bogus", "-v"}}) {
        const CommandLine read = Read(line);
        EXPECT_EQ(read.outcome, Outcome::Version) << line.front();
        EXPECT_EQ(read.text, "Vornal3 3.1.0\n");
    }
    for (const std::vector<std::string>& line :
         {std::vector<std::string>{"--help"}, {"-h"}, {"-help"}, {"-v", "--help"}}) {
        const CommandLine read = Read(line);
        EXPECT_EQ(read.outcome, Outcome::Help) << line.front();
        EXPECT_EQ(read.text.rfind("Usage: vornal3 [options]\n", 0), 0u) << read.text;
        EXPECT_TRUE(Contains(read.text, "-v, --version")) << read.text;
        // The toolkit's options are let through, not offered.
        EXPECT_FALSE(Contains(read.text, "--platform")) << read.text;
    }
}

TEST(CommandLine, AnythingElseUnknownIsAMisuseThatShowsTheUsage) {
    const struct {
        std::vector<std::string> line;
        std::string error;
    } misuses[] = {
        {{"--bogus"}, "Unknown option 'bogus'."},
        {{"-x"}, "Unknown option 'x'."},
        {{"picture.png"}, "Unexpected argument 'picture.png'."},
        {{"-platform"}, "Missing value after '-platform'."},
        {{"--", "-v"}, "Unexpected argument '-v'."},
    };
    for (const auto& misuse : misuses) {
        const CommandLine read = Read(misuse.line);
        EXPECT_EQ(read.outcome, Outcome::Misuse) << misuse.error;
        EXPECT_EQ(read.text.rfind(misuse.error + "\n\nUsage: vornal3 [options]\n", 0), 0u)
            << read.text;
    }
    EXPECT_EQ(platform::AnswerCommandLine(Read({"--bogus"})), 2);
}

TEST(CommandLine, TheToolkitsOwnOptionsRunTheProgramAndTheDisplayIsKept) {
    const CommandLine plain = Read({});
    EXPECT_EQ(plain.outcome, Outcome::Run);
    EXPECT_EQ(plain.display, "");
    EXPECT_EQ(platform::AnswerCommandLine(plain), -1);

    const CommandLine toolkit =
        Read({"-platform", "xcb", "-display", ":3.0", "-style=fusion", "--stylesheet", "my.qss",
              "-reverse", "-session", "1a2b", "-name", "shots", "-qwindowgeometry", "640x480+0+0"});
    EXPECT_EQ(toolkit.outcome, Outcome::Run) << toolkit.text;
    EXPECT_EQ(toolkit.display, ":3.0");
}
