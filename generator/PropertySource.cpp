#include "PropertySource.h"

#include <cstring>

#include "platform/TextStream.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Applies one input line; the text is cut in place.
void ApplyLine(char* text, PropertyMap& properties) {
    // The text ends at the first NUL, line feed or '#'.
    text[std::strcspn(text, "\n#")] = '\0';
    char* equals = std::strchr(text, '=');
    if (equals == nullptr) {
        return;
    }
    *equals = '\0';
    char* key = SkipBlanks(TrimRight(text));
    char* value = SkipBlanks(TrimRight(equals + 1));
    if (*key == '\0' || *value == '\0') {
        return;
    }
    properties.Set(key, value);
}

}  // namespace

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char* TrimRight(char* text) {
    std::size_t length = std::strlen(text);
    while (length > 0 && IsBlank(text[length - 1])) {
        text[--length] = '\0';
    }
    return text;
}

char* SkipBlanks(char* text) {
    while (IsBlank(*text)) {
        ++text;
    }
    return text;
}

void ReadProperties(std::FILE* stream, PropertyMap& properties) {
    char line[kPropertyLineBufferSize];
    bool first = true;
    while (TNux::ReadTextLine(line, sizeof line, stream) != nullptr) {
        char* text = line;
        // Editors that write a byte-order mark would otherwise hide it in the first key.
        if (first && std::strncmp(text, kByteOrderMark, 3) == 0) {
            text += 3;
        }
        first = false;
        ApplyLine(text, properties);
    }
}
