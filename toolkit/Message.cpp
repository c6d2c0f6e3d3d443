#include "Message.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "CatalogLine.h"
#include "Format.h"
#include "ModuleInstance.h"
#include "platform/TextStream.h"

namespace TNux {

namespace {

constexpr int kResourceTextStep = 256;

std::unique_ptr<char[]> CopyText(const char* text) {
    std::size_t size = std::strlen(text) + 1;
    std::unique_ptr<char[]> copy(new char[size]);
    std::memcpy(copy.get(), text, size);
    return copy;
}

// The override file's text for id, or null when the file or the line is missing.
std::unique_ptr<char[]> FindOverrideText(int id) {
    char path[MAX_PATH];
    if (!GetOverridePath(ModuleInstance.GetHandle(), path)) {
        return nullptr;
    }
    std::FILE* file = OpenTextFile(path);
    if (file == nullptr) {
        return nullptr;
    }
    std::unique_ptr<char[]> found;
    char line[kCatalogLineBufferSize];
    while (found == nullptr && ReadTextLine(line, sizeof line, file) != nullptr) {
        CutAtNewline(line);
        TCatalogFields fields;
        if (SplitCatalogLine(line, fields) && IsStringTableLine(fields) && fields.id == id) {
            DecodeNewlines(fields.text);
            found = CopyText(fields.text);
        }
    }
    std::fclose(file);
    return found;
}

void PrintWith(int id, const char* kinds, ...) {
    TMessage message(id);
    const char* format = message.GetText();
    std::unique_ptr<char[]> tableText;
    if (!FormatFitsArguments(format, kinds)) {
        // An override (or a loaded table) that asks for other arguments than the
        // message has must not be handed to printf.
        if (LoadResourceText(ModuleInstance.GetHandle(), id, tableText) > 0 &&
            FormatFitsArguments(tableText.get(), kinds)) {
            format = tableText.get();
        } else {
            std::fputs(format, stdout);
            return;
        }
    }
    va_list arguments;
    va_start(arguments, kinds);
    std::vprintf(format, arguments);
    va_end(arguments);
}

}  // namespace

int LoadResourceText(HINSTANCE module, int id, std::unique_ptr<char[]>& buffer) {
    int size = kResourceTextStep;
    buffer.reset(new char[size]);
    int length = LoadStringA(module, static_cast<UINT>(id), buffer.get(), size - 1);
    // The loader cuts a long text at the limit: a text that fills it may go on.
    while (length > 0 && length >= size - 2) {
        size += kResourceTextStep;
        buffer.reset(new char[size]);
        length = LoadStringA(module, static_cast<UINT>(id), buffer.get(), size - 1);
    }
    return length;
}

bool GetOverridePath(HINSTANCE module, char (&path)[MAX_PATH]) {
    path[0] = '\0';
    if (GetModuleFileNameA(module, path, MAX_PATH) == 0) {
        return false;
    }
    PathRenameExtensionA(path, ".rc");
    return true;
}

void PrintMessage(int id) { PrintWith(id, ""); }

void PrintMessage(int id, const char* text) { PrintWith(id, "s", text); }

void PrintMessage(int id, const char* text, int number) { PrintWith(id, "sd", text, number); }

void PrintMessage(int id, int number, const char* text, int code) { PrintWith(id, "dsd", number, text, code); }

}  // namespace TNux

TMessage::TMessage(int id) {
    text = TNux::FindOverrideText(id);
    if (text != nullptr) {
        return;
    }
    if (TNux::LoadResourceText(ModuleInstance.GetHandle(), id, text) > 0) {
        return;
    }
    DWORD error = GetLastError();
    std::snprintf(text.get(), TNux::kResourceTextStep, "string resource(%d) load Failure(%d)", id,
                  static_cast<int>(error));
}
