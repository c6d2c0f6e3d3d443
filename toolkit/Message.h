// The message catalog: every text the tool prints is fetched by its id, from the
// override file beside the program first, then from the program's string table.
#pragma once

#include <memory>

#include "platform/Win32.h"

namespace TNux {

// Message ids of the catalog.
enum TMessageId : int {
    kMessageUsage = 101,
    kMessageUnknownOption = 200,
    kMessageOneOutputOnly = 201,
    kMessageCannotOpenFile = 300,
    kMessageWriteFailed = 301,
    kMessageCannotOpenSource = 302,
    kMessageReadFailed = 303,
    kMessageCannotWriteResource = 305,
    kMessageRequiredKeys = 500,
    kMessageNoProperties = 501,
};

// Loads the text of id from the module's string table into a heap buffer that
// grows by 256 bytes until the text fits whole. Returns the text's length, 0 when
// the table has none; buffer always ends up holding at least 256 bytes.
int LoadResourceText(HINSTANCE module, int id, std::unique_ptr<char[]>& buffer);

}  // namespace TNux

// The text of one message, built from its id: the override file's line for the
// id, else the string table's text, else a failure text naming the id and the
// error code of the failed load (without a newline). Never null.
class TMessage {
public:
    explicit TMessage(int id);
    TMessage(const TMessage&) = delete;
    TMessage& operator=(const TMessage&) = delete;

    const char* GetText() const { return text.get(); }

private:
    std::unique_ptr<char[]> text;
};

namespace TNux {

// The override file's path for the module: its file path with the extension ".rc".
// False when the module's path is unknown.
bool GetOverridePath(HINSTANCE module, char (&path)[MAX_PATH]);

// Prints message id on standard output as a printf format with the arguments, whose
// kinds are given in order ('s' text, 'd' int). A text whose conversions do not fit
// those arguments is not used as a format: the string table's text for the id is
// used instead when it fits, else the text is printed as it stands.
void PrintMessage(int id);
void PrintMessage(int id, const char* text);
void PrintMessage(int id, const char* text, int number);
void PrintMessage(int id, int number, const char* text, int code);

}  // namespace TNux
