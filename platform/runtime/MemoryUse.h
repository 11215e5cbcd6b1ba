#pragma once
// How the program's memory goes back to the system. A collector that runs all day opens and
// closes pictures of many megabytes; what a closed window held must not stay with the process.

#include <cstdint>

namespace platform {

// The memory the system could give the program now without swapping (MemAvailable), in
// bytes; INT64_MAX where the system does not tell.
std::int64_t MemoryAvailable();

// Gives picture-sized blocks mappings of their own, which return to the system as soon as
// they are freed. Called once at start-up, before any picture is made.
void KeepLargeBlocksInTheirOwnMappings();

// Hands memory freed since to the system (after a capture window has gone, say).
void ReturnFreedMemory();

}  // namespace platform
