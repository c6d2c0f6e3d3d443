#include "RunFlow.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "CommandLine.h"
#include "OutputStage.h"
#include "PropertyMap.h"
#include "PropertySource.h"
#include "platform/TextStream.h"
#include "toolkit/Message.h"
#include "toolkit/ModuleInstance.h"
#include "toolkit/VersionInfo.h"

namespace {

constexpr char kDefaultOutputPath[] = "kip.zov";
constexpr char kStandardInputName[] = "-";

void PrintBanner() {
    std::string version = TNux::GetVersionText(ModuleInstance.GetHandle(), " rel.", " beta", " debug");
    std::fprintf(stderr, "Gen Zov ver.%s\n", version.c_str());
}

// Reads one source; false after reporting a read error inside it.
bool ReadSource(std::FILE* stream, const char* name, PropertyMap& properties) {
    ReadProperties(stream, properties);
    if (std::ferror(stream)) {
        // What was read so far is incomplete: no container is written from it.
        TNux::PrintMessage(TNux::kMessageReadFailed, name);
        return false;
    }
    return true;
}

bool ReadSources(const TRunRequest& request, PropertyMap& properties) {
    if (request.sources.empty()) {
        return ReadSource(stdin, kStandardInputName, properties);
    }
    for (const char* name : request.sources) {
        std::FILE* stream = TNux::OpenTextFile(name);
        if (stream == nullptr) {
            TNux::PrintMessage(TNux::kMessageCannotOpenSource, name, 0);
            return false;
        }
        bool read = ReadSource(stream, name, properties);
        std::fclose(stream);
        if (!read) {
            return false;
        }
    }
    return true;
}

// One "%s = %s\n" line a property, in key order.
void ListProperties(const PropertyMap& properties) {
    std::string chunk;
    constexpr std::size_t kChunkSize = 1 << 16;
    properties.Visit([&chunk](std::string_view key, std::string_view value) {
        chunk.append(key).append(" = ").append(value).push_back('\n');
        if (chunk.size() >= kChunkSize) {
            std::fwrite(chunk.data(), 1, chunk.size(), stdout);
            chunk.clear();
        }
    });
    std::fwrite(chunk.data(), 1, chunk.size(), stdout);
}

bool HasRequiredKeys(const PropertyMap& properties) {
    return !properties.Get("name").empty() && !properties.Get("vendor").empty() && !properties.Get("type").empty();
}

}  // namespace

char* GetModulePath(char* buffer, HINSTANCE module) {
    buffer[0] = '\0';
    if (module == nullptr) {
        module = ModuleInstance.GetHandle();
    }
    if (GetModuleFileNameA(module, buffer, MAX_PATH) == 0) {
        buffer[0] = '\0';
    }
    return buffer;
}

int RunGenZov(int argc, char* argv[]) {
    ModuleInstance.SetHandle(GetModuleHandleA(nullptr));
    PrintBanner();

    TRunRequest request;
    TArgumentOutcome outcome = TakeArguments(argc, argv, request);
    if (outcome.endRun) {
        return outcome.exitStatus;
    }
    if (request.outputPath[0] == '\0') {
        std::strcpy(request.outputPath, kDefaultOutputPath);
    }

    PropertyMap properties;
    if (!ReadSources(request, properties)) {
        return 1;
    }
    if (properties.Count() == 0) {
        TNux::PrintMessage(TNux::kMessageNoProperties);
        return 1;
    }
    ListProperties(properties);
    if (!HasRequiredKeys(properties)) {
        TNux::PrintMessage(TNux::kMessageRequiredKeys);
        return 1;
    }
    return WriteContainerFile(request.outputPath, properties) ? 0 : 1;
}
