#include "Format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace TNux {

namespace {

// Formats into the scratch buffer, cut at its size; an encoding error leaves it empty.
void FormatScratch(char (&scratch)[kFormatScratchSize], const char* format, va_list arguments) {
    if (std::vsnprintf(scratch, sizeof scratch, format, arguments) < 0) {
        scratch[0] = '\0';
    }
}

}  // namespace

std::string FormatString(const char* format, ...) {
    char scratch[kFormatScratchSize];
    va_list arguments;
    va_start(arguments, format);
    FormatScratch(scratch, format, arguments);
    va_end(arguments);
    return std::string(scratch);
}

char* AppendFormat(char* destination, const char* format, ...) {
    char scratch[kFormatScratchSize];
    va_list arguments;
    va_start(arguments, format);
    FormatScratch(scratch, format, arguments);
    va_end(arguments);
    std::strcat(destination, scratch);
    return destination;
}

bool FormatFitsArguments(const char* format, const char* kinds) {
    const char* kind = kinds;
    for (const char* at = format; *at != '\0'; ++at) {
        if (*at != '%') {
            continue;
        }
        ++at;
        if (*at == '%') {
            continue;
        }
        while (*at != '\0' && std::strchr("-+ #0'", *at) != nullptr) {
            ++at;
        }
        while (*at >= '0' && *at <= '9') {
            ++at;
        }
        if (*at == '.') {
            ++at;
            while (*at >= '0' && *at <= '9') {
                ++at;
            }
        }
        // Length modifiers: only those that still read an int.
        int shorts = 0;
        while (*at == 'h' && shorts < 2) {
            ++at;
            ++shorts;
        }
        if (*kind == '\0') {
            return false;
        }
        bool fits = false;
        if (*kind == 's') {
            fits = *at == 's' && shorts == 0;
        } else if (*kind == 'd') {
            fits = *at != '\0' && std::strchr("diouxXc", *at) != nullptr && (*at != 'c' || shorts == 0);
        }
        if (!fits) {
            return false;
        }
        ++kind;
    }
    return true;
}

}  // namespace TNux
