#include "StringTable.h"

#include <map>
#include <memory>
#include <string>

#include "CatalogLine.h"
#include "Message.h"
#include "platform/StringBundle.h"
#include "platform/TextStream.h"
#include "platform/Win32.h"

namespace TNux {

namespace {

constexpr char kStandardInputName[] = "-";
const WORD kStringTableLanguage = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

// The text in UTF-16, the string table's own form; false when it is not a valid
// text of the ANSI code page.
bool ToWide(const char* text, TWideText& wide) {
    int size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (size <= 0) {
        return false;
    }
    wide.assign(static_cast<std::size_t>(size), WCHAR());
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, -1, &wide[0], size) != size) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(size - 1));  // the NUL
    return true;
}

// Collects the texts of the input by bundle; false on a read error.
bool ReadCatalog(const char* path, std::FILE* in, std::map<WORD, TStringBundle>& bundles) {
    char line[kCatalogLineBufferSize];
    while (ReadTextLine(line, sizeof line, in) != nullptr) {
        CutAtNewline(line);
        TCatalogFields fields;
        if (!SplitCatalogLine(line, fields) || !IsStringTableLine(fields) || fields.id == 0) {
            continue;
        }
        DecodeNewlines(fields.text);
        TWideText text;
        if (!ToWide(fields.text, text)) {
            DWORD error = GetLastError();
            PrintMessage(kMessageCannotWriteResource, static_cast<int>(fields.id), path, static_cast<int>(error));
            continue;
        }
        auto id = static_cast<WORD>(fields.id);
        bundles[StringBundleOf(id)][static_cast<std::size_t>(StringIndexOf(id))] = text;
    }
    return !std::ferror(in);
}

// The id of the first text of a bundle.
int FirstIdOf(WORD bundleId, const TStringBundle& bundle) {
    int index = 0;
    while (index < kStringsPerBundle - 1 && bundle[static_cast<std::size_t>(index)].empty()) {
        ++index;
    }
    return (bundleId - 1) * kStringsPerBundle + index;
}

}  // namespace

bool DumpStringTable(const char* path, int limit, std::FILE* out) {
    HMODULE module = GetModuleHandleA(path);
    if (module == nullptr) {
        PrintMessage(kMessageCannotOpenSource, path, 0);
        return false;
    }
    std::unique_ptr<char[]> text;
    for (int id = 1; id < limit; ++id) {
        // The text is loaded whole, however long, and printed whole.
        if (LoadResourceText(module, id, text) == 0) {
            continue;
        }
        std::fprintf(out, "%04x\t%d\t%d\t%s\n", static_cast<unsigned>(kCatalogLanguage),
                     static_cast<int>(kCatalogResourceType), id, EncodeNewlines(text.get()).c_str());
    }
    return std::fflush(out) == 0 && !std::ferror(out);
}

bool LoadStringTable(const char* path, std::FILE* in) {
    HANDLE update = BeginUpdateResourceA(path, FALSE);
    if (update == nullptr) {
        DWORD error = GetLastError();
        PrintMessage(kMessageCannotOpenFile, path, static_cast<int>(error));
        return false;
    }
    std::map<WORD, TStringBundle> bundles;
    if (!ReadCatalog(path, in, bundles)) {
        // A table read in part would replace the whole one: keep the old.
        EndUpdateResourceA(update, TRUE);
        PrintMessage(kMessageReadFailed, kStandardInputName);
        return false;
    }
    // Every bundle of the language is written or removed, so that the new table
    // replaces the old one whole while the other resources stay.
    for (int bundleId = 1; bundleId <= kStringBundleCount; ++bundleId) {
        auto found = bundles.find(static_cast<WORD>(bundleId));
        std::string data = found != bundles.end() ? EncodeStringBundle(found->second) : std::string();
        BOOL updated = UpdateResourceA(update, RT_STRING, MAKEINTRESOURCEA(bundleId), kStringTableLanguage,
                                       data.empty() ? nullptr : &data[0], static_cast<DWORD>(data.size()));
        if (!updated && found != bundles.end()) {
            DWORD error = GetLastError();
            PrintMessage(kMessageCannotWriteResource, FirstIdOf(found->first, found->second), path,
                         static_cast<int>(error));
        }
    }
    if (!EndUpdateResourceA(update, FALSE)) {
        DWORD error = GetLastError();
        PrintMessage(kMessageWriteFailed, path, static_cast<int>(error));
        return false;
    }
    return true;
}

}  // namespace TNux
