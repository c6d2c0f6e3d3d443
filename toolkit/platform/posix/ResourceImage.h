// The resources of a program file on POSIX systems.
//
// A resource image is a list of entries (type, language, numeric name, bytes)
// serialised little-endian behind a magic and a CRC-32. The build links the
// program's default image into its read-only data, where strip leaves it; a
// string-table load appends a newer image to the program file, closed by a
// trailer, and that image wins when present.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace TNux::Posix {

struct TResourceEntry {
    std::uint16_t type;
    std::uint16_t language;
    std::uint32_t name;
    std::string data;
};

class TResourceImage {
public:
    // The entry of this type and name in the language, or in any language when the
    // language is 0; null when there is none.
    const TResourceEntry* Find(std::uint16_t type, std::uint32_t name, std::uint16_t language) const;

    // Adds the entry, replacing one of the same type, name and language.
    void Set(std::uint16_t type, std::uint32_t name, std::uint16_t language, std::string data);

    // Drops the entry of this type, name and language, if there is one.
    void Remove(std::uint16_t type, std::uint32_t name, std::uint16_t language);

    const std::vector<TResourceEntry>& Entries() const { return entries; }

    // The image as bytes: magic, payload length, CRC-32 of the payload, payload.
    std::string Serialize() const;

    // Reads an image from the start of the bytes; false when they do not hold a
    // complete, intact image. imageSize receives the number of bytes it spans.
    static bool Parse(const unsigned char* bytes, std::size_t size, TResourceImage& image,
                      std::size_t* imageSize = nullptr);

private:
    std::vector<TResourceEntry> entries;
};

// Size of the trailer that closes an image appended to a program file.
constexpr std::size_t kTrailerSize = 16;

// The trailer for an appended image of imageSize bytes.
std::string MakeTrailer(std::size_t imageSize);

// Reads the image appended to the open file, if it has one. appendedStart receives
// the offset where the appended image begins (the file size when there is none).
// Returns false when the file holds no appended image or it cannot be read.
bool ReadAppendedImage(int descriptor, TResourceImage& image, std::uint64_t* appendedStart);

// Loads the image of the program file at path: the appended image when present,
// else the default image linked into the file. False when the file cannot be read
// or holds neither.
bool LoadFileImage(const char* path, TResourceImage& image);

// The default image linked into this program.
const TResourceImage& BuiltinImage();

}  // namespace TNux::Posix
