// An .ico file taken apart into its images, as a program's icon resources
// need them: each image becomes an RT_ICON, the directory an RT_GROUP_ICON.
//
//   ICONDIR       u16 0, u16 1 (an icon), u16 count
//   ICONDIRENTRY  count x 16 bytes: u8 width, u8 height, u8 colours,
//                 u8 0, u16 planes, u16 bits per pixel, u32 bytes,
//                 u32 offset of the image in the file
//   images        a PNG, or a bitmap (BITMAPINFOHEADER, colours, XOR and
//                 AND masks) without its file header
#pragma once

#include <cstdint>
#include <vector>

struct SIconImage
{
    unsigned char achEntry[8]; // the directory entry up to its size field
    std::vector<unsigned char> arrBytes;
};

// Null when bytes are a sound .ico file, else why not, in a few words.
const char* ReadIconFile(const std::vector<unsigned char>& bytes, std::vector<SIconImage>& images);

// The RT_GROUP_ICON resource for images stored as RT_ICON ids[i].
std::vector<unsigned char> MakeIconGroup(const std::vector<SIconImage>& images, const std::vector<uint16_t>& ids);

// The RT_ICON ids an RT_GROUP_ICON names; empty when it is malformed.
std::vector<uint16_t> ReadIconGroupIds(const std::vector<unsigned char>& group);
