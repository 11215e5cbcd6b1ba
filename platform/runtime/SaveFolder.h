#pragma once
// Where captures are saved: the program's own folder wherever it can be written (the build
// tree, a copy in a home folder), otherwise, and always for an installed program, a Vornal3
// folder in the user's pictures folder, made when it is first needed.

#include <string>

namespace platform {

// Whether a file can be made in the folder, found out by making one and removing it again:
// permission bits tell nothing of read-only mounts, and nothing at all for root.
bool CanWriteIn(const std::string& folder);

// Whether the folder holds the program as an install puts it: its desktop entry is installed
// beside it, in ../share/applications.
bool IsInstalledProgramFolder(const std::string& folder, const std::string& desktopId);

// The folder the next capture is saved in, without a trailing separator; decided anew for
// every save. A pictures folder that cannot be made is a failure that names it and the reason.
std::string SaveFolder();

}  // namespace platform
