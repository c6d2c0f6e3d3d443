#include "CatalogLine.h"

#include <cstdlib>
#include <cstring>

namespace TNux {

namespace {

bool ReadNumber(char*& at, int base, long& value) {
    char* end = nullptr;
    value = std::strtol(at, &end, base);
    if (*end != '\t') {
        return false;
    }
    at = end + 1;
    return true;
}

}  // namespace

bool SplitCatalogLine(char* line, TCatalogFields& fields) {
    char* at = line;
    if (!ReadNumber(at, 16, fields.language) || !ReadNumber(at, 10, fields.resourceType) ||
        !ReadNumber(at, 10, fields.id)) {
        return false;
    }
    fields.text = at;
    return true;
}

bool IsStringTableLine(const TCatalogFields& fields) {
    return fields.language == kCatalogLanguage && (fields.resourceType & 0xFFFF) == kCatalogResourceType;
}

void CutAtNewline(char* line) {
    char* newline = std::strchr(line, '\n');
    if (newline != nullptr) {
        *newline = '\0';
    }
}

void DecodeNewlines(char* text) {
    char* to = text;
    for (const char* from = text; *from != '\0'; ++from) {
        if (from[0] == '\\' && from[1] == 'n') {
            *to++ = '\n';
            ++from;
        } else {
            *to++ = *from;
        }
    }
    *to = '\0';
}

std::string EncodeNewlines(const char* text) {
    std::string encoded;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at == '\n') {
            encoded += "\\n";
        } else {
            encoded += *at;
        }
    }
    return encoded;
}

}  // namespace TNux
