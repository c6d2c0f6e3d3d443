// Property sources: text of "key = value" lines with '#' comments.
#pragma once

#include <cstdio>

#include "PropertyMap.h"

// Input lines are read in parts of at most 1023 bytes.
constexpr int kPropertyLineBufferSize = 1024;

// Reads the text-mode stream to its end (or to a read error, which ferror then
// shows) and sets every property line in the map. A UTF-8 byte-order mark at the
// very start is skipped. Lines without '=', with an empty key or an empty value
// are ignored.
void ReadProperties(std::FILE* stream, PropertyMap& properties);

// True for the two blanks, space and tab.
bool IsBlank(char c);

// Removes the blanks at the end of text, in place; returns text.
char* TrimRight(char* text);

// The first character of text that is not a blank (or its end).
char* SkipBlanks(char* text);
