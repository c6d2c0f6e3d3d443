// The running program as a module: its file path and its resources.
#pragma once

#include <string>
#include <utility>

#include "platform/Win32.h"
#include "platform/posix/ResourceImage.h"

struct TPosixModule {
    explicit TPosixModule(std::string path) : path(std::move(path)) {}

    // Full path of the program file; empty when it cannot be found.
    std::string path;
    // Resources as the module was loaded: read from the program file once, at first use.
    const TNux::Posix::TResourceImage& Resources();

private:
    bool loaded = false;
    TNux::Posix::TResourceImage image;
};

namespace TNux::Posix {

// The module of the running program.
TPosixModule& SelfModule();

// True when both paths name the same file.
bool SameFile(const char* first, const char* second);

}  // namespace TNux::Posix
