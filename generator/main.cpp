#include <new>

#include "RunFlow.h"

int main(int argc, char* argv[]) {
    // Memory running out outside the output stage (which reports it and cleans up
    // itself) still ends the run as a failure rather than an abort.
    try {
        return RunGenZov(argc, argv);
    } catch (const std::bad_alloc&) {
        return 1;
    }
}
