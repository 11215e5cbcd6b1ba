#pragma once
// The program's command line: its own options, --help and --version, and the toolkit's, which
// the toolkit takes for itself when the application object is made (-platform, -display,
// -style, ...). Read before anything else, so that the answers need no display.

#include <string>
#include <vector>

namespace platform {

struct CommandLine {
    enum class Outcome {
        Run,      // start the program
        Help,     // print text on standard output and end with status 0
        Version,  // likewise
        Misuse,   // say text on standard error and end with status 2
    };
    Outcome outcome = Outcome::Run;
    std::string text;
    // The X display named with the toolkit's -display option, or empty.
    std::string display;
};

// Reads the arguments, the program's name first.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

// Prints what a command line other than Run asks for and returns the exit status; returns -1
// for Run, and prints nothing.
int AnswerCommandLine(const CommandLine& commandLine);

}  // namespace platform
