#include "OutputStage.h"

#include <new>

#include "ContainerWriter.h"
#include "toolkit/Error.h"
#include "toolkit/File.h"
#include "toolkit/Message.h"

namespace {

void WriteContainer(TFile& file, const char* path, const PropertyMap& properties) {
    WriteFileHeader(file, path);
    WritePropertiesChunk(file, path, properties);
    WriteEndChunk(file, path);
    WriteFileHeader(file, path);
    // A close can be the first to hear of a failed write-back.
    if (!file.Close()) {
        throw new TNux::TFileErrorNumber(path, TNux::kMessageWriteFailed, GetLastError());
    }
}

// Removes what the run created at path. Only a regular file is removed: a device
// or a pipe named as the output is left alone.
void Discard(TFile& file, const char* path, bool regularFile) {
    file.Close();
    if (regularFile) {
        DeleteFileA(path);
    }
}

}  // namespace

bool WriteContainerFile(const char* path, const PropertyMap& properties) {
    TFile file(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file.Handle() == nullptr) {
        DWORD error = GetLastError();
        TNux::PrintMessage(TNux::kMessageCannotOpenFile, path, static_cast<int>(error));
        return false;
    }
    const bool regularFile = file.Type() == FILE_TYPE_DISK;
    try {
        WriteContainer(file, path, properties);
        return true;
    } catch (TNux::TError* error) {
        Discard(file, path, regularFile);
        error->Report();
        delete error;
    } catch (const std::bad_alloc&) {
        // Only the error object itself can get here.
        Discard(file, path, regularFile);
        TNux::PrintMessage(TNux::kMessageWriteFailed, path, static_cast<int>(ERROR_NOT_ENOUGH_MEMORY));
    }
    return false;
}
