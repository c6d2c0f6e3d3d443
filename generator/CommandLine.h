// Taking the command-line arguments, in order.
#pragma once

#include <vector>

#include "platform/Win32.h"

struct TRunRequest {
    // The container's path; empty while no -O has set one.
    char outputPath[MAX_PATH] = {};
    // Source names in command-line order; a name given twice stands twice.
    std::vector<const char*> sources;
};

// What taking the arguments decided: go on with the request, or end the run now.
struct TArgumentOutcome {
    bool endRun;
    int exitStatus;
};

// Takes argv[1..argc-1] into request. An option that ends the run (usage, a
// rejected option, a string-table command) is carried out and ends it at once.
TArgumentOutcome TakeArguments(int argc, char* argv[], TRunRequest& request);
