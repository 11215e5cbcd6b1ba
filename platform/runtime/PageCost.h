#pragma once
// What the running machine charges for memory the program has not touched before. Where the
// system gives each fresh page its memory slowly (a virtual machine whose host backs guest
// memory on demand, say), every megabyte a picture passes through costs more than the work
// done on it, and a compressed format, or memory already touched, is the cheaper way.

#include <cstddef>

namespace platform {

// Microseconds to give one fresh 4 KiB page its memory, as measured once, on first use, over
// a small mapping of the program's own (a few milliseconds where pages are dearest); or the
// value of VORNAL3_FRESH_PAGE_US, where that is set to a number.
double FreshPageMicroseconds();

// Advises the system to back a large block with huge pages, where it can: one fault then
// gives memory to 512 pages at once. Harmless where huge pages are off.
void AdviseHugePages(void* block, std::size_t bytes);

}  // namespace platform
