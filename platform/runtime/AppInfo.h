#pragma once
// What the program knows about itself, and ending it.

#include <functional>
#include <string>

namespace platform::App {

std::string Title();  // "Vornal3"
int Major();
int Minor();
int Revision();
// The folder that holds the program's executable, without a trailing separator.
std::string Path();
// The platform's separator between a folder and a name.
char PathSeparator();

// Ends the process at once with the exit status given. Windows still open get no close
// handling.
void End(int status = 0);

// Tests replace the ending and the folder; an empty function or text restores the real one.
void SetEndForTesting(std::function<void(int status)> end);
void SetPathForTesting(std::string path);

}  // namespace platform::App
