// The writers of the container file. Each writes at the file's current position
// (WriteFileHeader at offset 0) and returns true once all its bytes are written;
// every failure is thrown as a new TNux::TFileErrorNumber naming path.
#pragma once

#include <cstdint>

#include "PropertyMap.h"
#include "toolkit/File.h"

constexpr std::size_t kFileHeaderSize = 36;
constexpr std::size_t kPropertiesChunkHeaderSize = 40;
constexpr std::size_t kChunkFrameSize = 12;
// Bytes of a complete file besides the compressed payload.
constexpr std::size_t kContainerOverhead = kFileHeaderSize + kPropertiesChunkHeaderSize + kChunkFrameSize;
constexpr char kFileIdentification[] = "Uniform Plim File Format 1.00";
constexpr std::uint32_t kPropertiesTag = 0x00564F5A;  // "ZOV\0"
constexpr std::uint32_t kEndTag = 0x00444E45;         // "END\0"
constexpr std::size_t kCompressedBufferStep = 1024;

// The 36-byte header: the identification text and the length of everything after
// it (0 while the file is shorter than a header).
bool WriteFileHeader(TFile& file, const char* path);

// The properties chunk: records "key=value\0" in key order, compressed as one zlib
// stream, with their lengths and the MD5 digest of the compressed bytes.
bool WritePropertiesChunk(TFile& file, const char* path, const PropertyMap& properties);

// The 12-byte end chunk.
bool WriteEndChunk(TFile& file, const char* path);
