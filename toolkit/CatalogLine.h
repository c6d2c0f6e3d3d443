// The catalog line: "%04x\t%d\t%d\t%s\n" with the language 0x11, the resource type
// 6 (string table), a message id and the text, each newline of the text written as
// a backslash and n. Shared by the override file and the string-table commands.
#pragma once

#include <string>

namespace TNux {

constexpr long kCatalogLanguage = 0x11;
constexpr long kCatalogResourceType = 6;
// Lines are read in parts of at most 2047 bytes.
constexpr int kCatalogLineBufferSize = 2048;

// The fields of a line that has the catalog shape.
struct TCatalogFields {
    long language;
    long resourceType;
    long id;
    char* text;  // points into the line
};

// Splits a line (cut at its first newline beforehand or not) into its fields, the
// numbers read as strtol reads them. False when a number is not directly followed
// by a TAB. The caller checks the values.
bool SplitCatalogLine(char* line, TCatalogFields& fields);

// True when the fields carry the catalog's language and the string-table type.
bool IsStringTableLine(const TCatalogFields& fields);

// Cuts the line at its first newline, in place.
void CutAtNewline(char* line);

// Turns every backslash-n pair into one newline, in place.
void DecodeNewlines(char* text);

// The text with every newline written as backslash and n.
std::string EncodeNewlines(const char* text);

}  // namespace TNux
