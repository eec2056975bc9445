// A PE file's resources as a flat list, read from and written to the
// resource directory tree the loader walks: type, then name, then language.
//
//   directory      u32 0, u32 time, u16 0, u16 0, u16 named, u16 numbered,
//                  then 8-byte entries, named ones first: u32 name (high
//                  bit: offset of a u16-counted UTF-16 name, else an id),
//                  u32 target (high bit: a directory one level down, else a
//                  data entry)
//   data entry     u32 address of the data, u32 size, u32 code page, u32 0
//
// Offsets count from the directory's start; the data entry holds an address
// in the image.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A type, name or language: a number, or a name.
struct SResourceKey
{
    bool bNamed = false;
    uint32_t uId = 0;
    std::u16string strName;

    static SResourceKey Id(uint32_t id)
    {
        SResourceKey key;
        key.uId = id;
        return key;
    }
    bool operator==(const SResourceKey& other) const
    {
        return bNamed == other.bNamed && (bNamed ? strName == other.strName : uId == other.uId);
    }
    bool operator!=(const SResourceKey& other) const { return !(*this == other); }
};

struct SResource
{
    SResourceKey type, name, language;
    uint32_t uCodePage = 0;
    std::vector<unsigned char> arrData;
    uint32_t uAddress = 0; // where the data lay in the image it was read from
};

typedef std::vector<SResource> CResourceList;

// The bytes at an address of the image, size of them, or null when they
// are not all in the file.
typedef std::function<const unsigned char*(uint32_t address, uint32_t size)> CImageBytes;

// Reads the tree whose root is at the start of the size bytes of directory.
// Null when it is sound, else why not, in a few words.
const char* ReadResourceTree(const unsigned char* directory, size_t size, const CImageBytes& image,
                             CResourceList& resources);

// The tree of resources, to be placed at address in the image: directories,
// data entries, names, then the data, each on an 8-byte boundary.
std::vector<unsigned char> WriteResourceTree(const CResourceList& resources, uint32_t address);
