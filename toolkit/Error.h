// File failures travel as heap objects thrown by pointer; the one handler that
// catches a TNux::TError* reports it once and deletes it.
#pragma once

#include <string>

#include "platform/Win32.h"

namespace TNux {

class TError {
public:
    virtual ~TError() = default;
    // Prints the failure on standard output through the message catalog.
    virtual void Report() = 0;
};

// A failure about a file, reported with a message that takes no arguments.
class TFileError : public TError {
public:
    TFileError(const char* name, int messageId) : name(name != nullptr ? name : ""), messageId(messageId) {}
    void Report() override;

protected:
    std::string name;
    int messageId;
};

// A file failure with the platform's error code, reported with a message that
// takes the file name and the code.
class TFileErrorNumber : public TFileError {
public:
    TFileErrorNumber(const char* name, int messageId, DWORD errorCode)
        : TFileError(name, messageId), errorCode(errorCode) {}
    void Report() override;

    DWORD ErrorCode() const { return errorCode; }

private:
    DWORD errorCode;
};

}  // namespace TNux
