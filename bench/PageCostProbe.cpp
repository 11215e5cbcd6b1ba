// Prints what the running machine charges for a fresh page of memory, in microseconds, the
// same measure the program itself makes: figures from different machines compare by it.

#include <cstdio>

#include "platform/runtime/PageCost.h"

int main() {
    std::printf("%.2f\n", platform::FreshPageMicroseconds());
    return 0;
}
