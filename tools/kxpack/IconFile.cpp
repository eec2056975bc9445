#include "IconFile.h"

#include <cstring>

#include "PeHeaders.h"

namespace {

const unsigned kDirectorySize = 6;
const unsigned kFileEntrySize = 16;
const unsigned kGroupEntrySize = 14;

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A bitmap image opens with its header's size: BITMAPCOREHEADER (12) or
// BITMAPINFOHEADER (40) and its later, longer forms.
bool IsBitmap(const unsigned char* image, uint32_t size)
{
    if (size < 4)
        return false;
    const uint32_t header = Pe::ReadU32(image);
    return (header == 12 || header >= 40) && header <= size;
}

bool IsPng(const unsigned char* image, uint32_t size)
{
    return size >= sizeof(kPngSignature) && memcmp(image, kPngSignature, sizeof(kPngSignature)) == 0;
}

} // namespace

const char* ReadIconFile(const std::vector<unsigned char>& bytes, std::vector<SIconImage>& images)
{
    images.clear();
    const unsigned char* file = bytes.data();
    if (bytes.size() < kDirectorySize || Pe::ReadU16(file) != 0)
        return "not an icon file";
    if (Pe::ReadU16(file + 2) == 2)
        return "a cursor, not an icon";
    if (Pe::ReadU16(file + 2) != 1)
        return "not an icon file";
    const unsigned count = Pe::ReadU16(file + 4);
    if (count == 0)
        return "the icon holds no image";
    const unsigned long long imagesStart = kDirectorySize + (unsigned long long)count * kFileEntrySize;
    if (imagesStart > bytes.size())
        return "the icon's directory is cut short";
    for (unsigned i = 0; i < count; i++) {
        const unsigned char* entry = file + kDirectorySize + i * kFileEntrySize;
        const uint32_t size = Pe::ReadU32(entry + 8), offset = Pe::ReadU32(entry + 12);
        if (offset < imagesStart || (unsigned long long)offset + size > bytes.size())
            return "an image lies outside the icon file";
        if (!IsPng(file + offset, size) && !IsBitmap(file + offset, size))
            return "an image is neither a PNG nor a bitmap";
        SIconImage image;
        memcpy(image.achEntry, entry, sizeof(image.achEntry));
        image.arrBytes.assign(file + offset, file + offset + size);
        images.push_back(std::move(image));
    }
    return nullptr;
}

std::vector<unsigned char> MakeIconGroup(const std::vector<SIconImage>& images, const std::vector<uint16_t>& ids)
{
    std::vector<unsigned char> group(kDirectorySize + images.size() * kGroupEntrySize);
    Pe::WriteU16(&group[2], 1);
    Pe::WriteU16(&group[4], (uint16_t)images.size());
    for (size_t i = 0; i < images.size(); i++) {
        unsigned char* entry = &group[kDirectorySize + i * kGroupEntrySize];
        memcpy(entry, images[i].achEntry, sizeof(images[i].achEntry));
        Pe::WriteU32(entry + 8, (uint32_t)images[i].arrBytes.size());
        Pe::WriteU16(entry + 12, ids[i]);
    }
    return group;
}

std::vector<uint16_t> ReadIconGroupIds(const std::vector<unsigned char>& group)
{
    std::vector<uint16_t> ids;
    if (group.size() < kDirectorySize)
        return ids;
    const unsigned count = Pe::ReadU16(&group[4]);
    if (kDirectorySize + (size_t)count * kGroupEntrySize > group.size())
        return ids;
    for (unsigned i = 0; i < count; i++)
        ids.push_back(Pe::ReadU16(&group[kDirectorySize + i * kGroupEntrySize + 12]));
    return ids;
}
