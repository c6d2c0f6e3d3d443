#include "CommandLine.h"

#include <cstdio>
#include <cstring>

#include "RunFlow.h"
#include "toolkit/Message.h"
#include "toolkit/StringTable.h"

namespace {

constexpr int kStringTableIdLimit = 3000;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

TArgumentOutcome EndRun(int status) { return TArgumentOutcome{true, status}; }

void PrintUsage(char* argv[]) {
    const char* invocation = argv[0] != nullptr ? argv[0] : "";
    TNux::PrintMessage(TNux::kMessageUsage, PathFindFileNameA(invocation));
}

// -O: the rest of the argument is the output path.
TArgumentOutcome TakeOutputPath(const char* argument, char* argv[], TRunRequest& request) {
    if (request.outputPath[0] != '\0') {
        TNux::PrintMessage(TNux::kMessageOneOutputOnly);
        PrintUsage(argv);
        return EndRun(1);
    }
    const char* path = argument + 2;
    if (std::strlen(path) >= sizeof request.outputPath) {
        // Cutting the name would write another file than the one asked for.
        TNux::PrintMessage(TNux::kMessageCannotOpenFile, path, static_cast<int>(ERROR_FILENAME_EXCED_RANGE));
        return EndRun(1);
    }
    std::strcpy(request.outputPath, path);
    if (request.outputPath[0] != '\0' && *PathFindExtensionA(request.outputPath) == '\0') {
        // Leaves the path unchanged when the extension would not fit.
        PathRenameExtensionA(request.outputPath, ".zov");
    }
    return TArgumentOutcome{false, 0};
}

TArgumentOutcome TakeStringTableCommand(char command) {
    char modulePath[MAX_PATH];
    GetModulePath(modulePath, nullptr);
    bool succeeded = command == 'D' ? TNux::DumpStringTable(modulePath, kStringTableIdLimit, stdout)
                                    : TNux::LoadStringTable(modulePath, stdin);
    return EndRun(succeeded ? 0 : 1);
}

}  // namespace

TArgumentOutcome TakeArguments(int argc, char* argv[], TRunRequest& request) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-' && argument[0] != '/') {
            request.sources.push_back(argument);
            continue;
        }
        char option = UpperAscii(argument[1]);
        char third = option != '\0' ? UpperAscii(argument[2]) : '\0';
        if (option == 'H') {
            PrintUsage(argv);
            return EndRun(1);
        }
        if (option == 'O') {
            TArgumentOutcome outcome = TakeOutputPath(argument, argv, request);
            if (outcome.endRun) {
                return outcome;
            }
            continue;
        }
        if (option == 'S' && (third == 'D' || third == 'W')) {
            return TakeStringTableCommand(third);
        }
        TNux::PrintMessage(TNux::kMessageUnknownOption, argument);
        PrintUsage(argv);
        return EndRun(1);
    }
    return TArgumentOutcome{false, 0};
}
