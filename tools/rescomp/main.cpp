// Builds the program's default resource image from the readable sources in
// resources/ and writes it as a C++ array that the program links in.
//
//   rescomp STRINGS VERSION OUTPUT
//
// STRINGS holds catalog lines in UTF-8; VERSION the version resource's fields.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CatalogLine.h"
#include "platform/StringBundle.h"
#include "platform/posix/Codeset.h"
#include "platform/posix/ResourceImage.h"
#include "platform/posix/VersionResource.h"

namespace {

constexpr std::uint16_t kStringType = 6;
constexpr std::uint16_t kVersionType = 16;
constexpr std::uint16_t kJapanese = 0x0411;

[[noreturn]] void Die(const std::string& what) {
    std::cerr << "rescomp: " << what << '\n';
    std::exit(1);
}

std::vector<std::string> ReadLines(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Die(std::string("cannot read ") + path);
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

void AddStrings(const char* path, TNux::Posix::TResourceImage& image) {
    std::map<WORD, TNux::TStringBundle> bundles;
    int lineNumber = 0;
    for (std::string line : ReadLines(path)) {
        ++lineNumber;
        std::vector<char> text(line.begin(), line.end());
        text.push_back('\0');
        TNux::TCatalogFields fields;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (!TNux::SplitCatalogLine(text.data(), fields) || !TNux::IsStringTableLine(fields) || fields.id <= 0 ||
            fields.id > 0xFFFF) {
            Die(std::string(path) + ":" + std::to_string(lineNumber) + ": not a catalog line");
        }
        TNux::DecodeNewlines(fields.text);
        std::u16string wide;
        if (!TNux::Posix::Utf8ToUtf16(fields.text, std::strlen(fields.text), wide)) {
            Die(std::string(path) + ":" + std::to_string(lineNumber) + ": not UTF-8");
        }
        auto id = static_cast<WORD>(fields.id);
        bundles[TNux::StringBundleOf(id)][TNux::StringIndexOf(id)] = TNux::TWideText(wide.begin(), wide.end());
    }
    for (const auto& [bundleId, bundle] : bundles) {
        image.Set(kStringType, bundleId, kJapanese, TNux::EncodeStringBundle(bundle));
    }
}

DWORD ParseNumber(const std::string& text) { return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 0)); }

// "a.b.c.d" as the two 32-bit halves of a version.
void ParseVersion(const std::string& text, DWORD& high, DWORD& low) {
    unsigned parts[4] = {};
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) != 4) {
        Die("bad version " + text);
    }
    high = (parts[0] << 16) | (parts[1] & 0xFFFF);
    low = (parts[2] << 16) | (parts[3] & 0xFFFF);
}

void AddVersion(const char* path, TNux::Posix::TResourceImage& image) {
    TNux::Posix::TVersionResource version;
    version.fixed.dwSignature = TNux::Posix::kFixedFileInfoSignature;
    version.fixed.dwStrucVersion = 0x00010000;
    for (const std::string& line : ReadLines(path)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::vector<std::string> fields = SplitTabs(line);
        const std::string& name = fields[0];
        VS_FIXEDFILEINFO& fixed = version.fixed;
        if (name == "String" && fields.size() == 4) {
            version.values.emplace_back(std::string(TNux::Posix::kStringFileInfoPrefix) + fields[1] + "\\" + fields[2],
                                        fields[3]);
        } else if (name == "Translation" && fields.size() == 3) {
            DWORD language = ParseNumber(fields[1]);
            DWORD codePage = ParseNumber(fields[2]);
            std::string value = {static_cast<char>(language & 0xFF), static_cast<char>(language >> 8),
                                 static_cast<char>(codePage & 0xFF), static_cast<char>(codePage >> 8)};
            version.values.emplace_back("\\VarFileInfo\\Translation", value);
        } else if (fields.size() != 2) {
            Die(std::string(path) + ": bad line: " + line);
        } else if (name == "FileVersion") {
            ParseVersion(fields[1], fixed.dwFileVersionMS, fixed.dwFileVersionLS);
        } else if (name == "ProductVersion") {
            ParseVersion(fields[1], fixed.dwProductVersionMS, fixed.dwProductVersionLS);
        } else if (name == "FileFlagsMask") {
            fixed.dwFileFlagsMask = ParseNumber(fields[1]);
        } else if (name == "FileFlags") {
            fixed.dwFileFlags = ParseNumber(fields[1]);
        } else if (name == "FileOS") {
            fixed.dwFileOS = ParseNumber(fields[1]);
        } else if (name == "FileType") {
            fixed.dwFileType = ParseNumber(fields[1]);
        } else if (name == "FileSubtype") {
            fixed.dwFileSubtype = ParseNumber(fields[1]);
        } else if (name == "FileDate") {
            fixed.dwFileDateMS = 0;
            fixed.dwFileDateLS = ParseNumber(fields[1]);
        } else {
            Die(std::string(path) + ": unknown field " + name);
        }
    }
    image.Set(kVersionType, 1, kJapanese, version.Serialize());
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        Die("usage: rescomp STRINGS VERSION OUTPUT");
    }
    TNux::Posix::TResourceImage image;
    AddStrings(argv[1], image);
    AddVersion(argv[2], image);
    std::string bytes = image.Serialize();

    std::ostringstream out;
    out << "// Generated by rescomp from the files in resources/; do not edit.\n"
        << "#include \"platform/posix/BuiltinResources.h\"\n\n"
        << "namespace TNux::Posix {\n\n"
        << "alignas(16) const unsigned char kBuiltinResourceImage[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) << ',';
    }
    out << "\n};\n\nconst std::size_t kBuiltinResourceImageSize = sizeof kBuiltinResourceImage;\n\n"
        << "}  // namespace TNux::Posix\n";
    std::ofstream file(argv[3], std::ios::binary | std::ios::trunc);
    file << out.str();
    if (!file.flush()) {
        Die(std::string("cannot write ") + argv[3]);
    }
    return 0;
}
