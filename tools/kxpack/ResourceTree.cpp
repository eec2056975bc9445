#include "ResourceTree.h"

#include <algorithm>

#include "PeHeaders.h"

namespace {

const uint32_t kHighBit = 0x80000000u;
const unsigned kDirectorySize = 16;
const unsigned kEntrySize = 8;
const unsigned kDataEntrySize = 16;
const unsigned kLevels = 3; // type, name, language

// A hostile tree can name one directory from many entries: the reader stops
// long before the copies would fill memory (or a directory's 16-bit counts).
const size_t kMostResources = 1 << 15;
const size_t kMostEntriesRead = 1 << 20;
const unsigned long long kMostBytes = 256ull << 20;

class CTreeReader
{
public:
    CTreeReader(const unsigned char* directory, size_t size, const CImageBytes& image, CResourceList& resources)
        : m_pDir(directory), m_uSize(size), m_image(image), m_resources(resources)
    {
    }

    const char* ReadDirectory(uint32_t offset, unsigned level, SResourceKey* path)
    {
        if ((unsigned long long)offset + kDirectorySize > m_uSize)
            return "a resource directory lies outside the resource section";
        const unsigned count = Pe::ReadU16(m_pDir + offset + 12) + Pe::ReadU16(m_pDir + offset + 14);
        if ((unsigned long long)offset + kDirectorySize + count * kEntrySize > m_uSize)
            return "a resource directory is cut short";
        m_uEntriesRead += count;
        if (m_uEntriesRead > kMostEntriesRead)
            return "the resource directory is too large";
        for (unsigned i = 0; i < count; i++) {
            const unsigned char* entry = m_pDir + offset + kDirectorySize + i * kEntrySize;
            if (const char* why = ReadKey(Pe::ReadU32(entry), path[level]))
                return why;
            const uint32_t target = Pe::ReadU32(entry + 4);
            const bool isDirectory = (target & kHighBit) != 0;
            if (isDirectory != (level + 1 < kLevels))
                return "the resource directory does not have three levels";
            const char* why = isDirectory ? ReadDirectory(target & ~kHighBit, level + 1, path) : ReadData(target, path);
            if (why)
                return why;
        }
        return nullptr;
    }

private:
    const char* ReadKey(uint32_t field, SResourceKey& key)
    {
        key = SResourceKey();
        if (!(field & kHighBit)) {
            key.uId = field;
            return nullptr;
        }
        const uint32_t at = field & ~kHighBit;
        if ((unsigned long long)at + 2 > m_uSize || at + 2 + 2ull * Pe::ReadU16(m_pDir + at) > m_uSize)
            return "a resource name lies outside the resource section";
        key.bNamed = true;
        for (unsigned i = 0; i < Pe::ReadU16(m_pDir + at); i++)
            key.strName += (char16_t)Pe::ReadU16(m_pDir + at + 2 + 2 * i);
        return nullptr;
    }

    const char* ReadData(uint32_t offset, const SResourceKey* path)
    {
        if ((unsigned long long)offset + kDataEntrySize > m_uSize)
            return "a resource entry lies outside the resource section";
        if (m_resources.size() >= kMostResources)
            return "the program has too many resources";
        const unsigned char* entry = m_pDir + offset;
        const uint32_t size = Pe::ReadU32(entry + 4);
        const unsigned char* data = m_image(Pe::ReadU32(entry), size);
        if (!data)
            return "a resource's data lies outside the file";
        m_ullBytes += size;
        if (m_ullBytes > kMostBytes)
            return "the program's resources are too large";
        SResource resource;
        resource.type = path[0];
        resource.name = path[1];
        resource.language = path[2];
        resource.uCodePage = Pe::ReadU32(entry + 8);
        resource.arrData.assign(data, data + size);
        resource.uAddress = Pe::ReadU32(entry);
        m_resources.push_back(std::move(resource));
        return nullptr;
    }

    const unsigned char* m_pDir;
    size_t m_uSize;
    const CImageBytes& m_image;
    CResourceList& m_resources;
    size_t m_uEntriesRead = 0;
    unsigned long long m_ullBytes = 0;
};

// Named entries come first in a directory; numbers ascending after them.
// Names keep the order they were read in (the compiler that wrote them
// sorted them; nothing here adds one).
bool KeyBefore(const SResourceKey& a, const SResourceKey& b)
{
    if (a.bNamed != b.bNamed)
        return a.bNamed;
    return !a.bNamed && a.uId < b.uId;
}

bool ResourceBefore(const SResource* a, const SResource* b)
{
    if (a->type != b->type)
        return KeyBefore(a->type, b->type);
    if (a->name != b->name)
        return KeyBefore(a->name, b->name);
    return KeyBefore(a->language, b->language);
}

uint32_t Align(uint32_t value, uint32_t to) { return (value + to - 1) / to * to; }

// One directory of the tree: the resources [first, last) of the sorted list
// share the keys of the levels above it.
struct SDirectory
{
    size_t uFirst, uLast;
    unsigned uLevel;
    uint32_t uOffset;
    std::vector<size_t> arrChildren; // where each entry's run starts
};

} // namespace

const char* ReadResourceTree(const unsigned char* directory, size_t size, const CImageBytes& image,
                             CResourceList& resources)
{
    resources.clear();
    SResourceKey path[kLevels];
    return CTreeReader(directory, size, image, resources).ReadDirectory(0, 0, path);
}

std::vector<unsigned char> WriteResourceTree(const CResourceList& resources, uint32_t address)
{
    std::vector<const SResource*> sorted;
    for (const SResource& resource : resources)
        sorted.push_back(&resource);
    std::stable_sort(sorted.begin(), sorted.end(), ResourceBefore);
    auto keyOf = [&](size_t i, unsigned level) -> const SResourceKey& {
        return level == 0 ? sorted[i]->type : level == 1 ? sorted[i]->name : sorted[i]->language;
    };

    // The directories breadth first, as linkers lay them out.
    std::vector<SDirectory> dirs = {{0, sorted.size(), 0, 0, {}}};
    uint32_t end = 0;
    for (size_t d = 0; d < dirs.size(); d++) {
        SDirectory& dir = dirs[d];
        for (size_t i = dir.uFirst; i < dir.uLast; i++)
            if (i == dir.uFirst || keyOf(i, dir.uLevel) != keyOf(i - 1, dir.uLevel))
                dir.arrChildren.push_back(i);
        dir.uOffset = end;
        end += kDirectorySize + (uint32_t)dir.arrChildren.size() * kEntrySize;
        if (dir.uLevel + 1 == kLevels)
            continue;
        // Copied: adding to dirs may move dir.
        const std::vector<size_t> starts = dir.arrChildren;
        const size_t last = dir.uLast;
        const unsigned level = dir.uLevel + 1;
        for (size_t c = 0; c < starts.size(); c++)
            dirs.push_back({starts[c], c + 1 < starts.size() ? starts[c + 1] : last, level, 0, {}});
    }
    const uint32_t dataEntries = end;
    end += (uint32_t)sorted.size() * kDataEntrySize;
    std::vector<unsigned char> tree(end);

    // Names after the data entries, then the data.
    auto writeKey = [&](uint32_t field, const SResourceKey& key) {
        if (!key.bNamed) {
            Pe::WriteU32(&tree[field], key.uId);
            return;
        }
        const uint32_t at = (uint32_t)tree.size();
        tree.resize(at + 2 + 2 * key.strName.size());
        Pe::WriteU16(&tree[at], (uint16_t)key.strName.size());
        for (size_t i = 0; i < key.strName.size(); i++)
            Pe::WriteU16(&tree[at + 2 + 2 * i], key.strName[i]);
        Pe::WriteU32(&tree[field], kHighBit | at);
    };
    size_t nextChildDir = 1;
    for (const SDirectory& dir : dirs) {
        size_t named = 0;
        for (size_t start : dir.arrChildren)
            named += keyOf(start, dir.uLevel).bNamed;
        Pe::WriteU16(&tree[dir.uOffset + 12], (uint16_t)named);
        Pe::WriteU16(&tree[dir.uOffset + 14], (uint16_t)(dir.arrChildren.size() - named));
        for (size_t c = 0; c < dir.arrChildren.size(); c++) {
            const uint32_t entry = dir.uOffset + kDirectorySize + (uint32_t)c * kEntrySize;
            writeKey(entry, keyOf(dir.arrChildren[c], dir.uLevel));
            const uint32_t target = dir.uLevel + 1 < kLevels
                                        ? kHighBit | dirs[nextChildDir++].uOffset
                                        : dataEntries + (uint32_t)dir.arrChildren[c] * kDataEntrySize;
            Pe::WriteU32(&tree[entry + 4], target);
        }
    }
    for (size_t i = 0; i < sorted.size(); i++) {
        const uint32_t at = Align((uint32_t)tree.size(), 8);
        tree.resize(at + sorted[i]->arrData.size());
        std::copy(sorted[i]->arrData.begin(), sorted[i]->arrData.end(), tree.begin() + at);
        unsigned char* entry = &tree[dataEntries + i * kDataEntrySize];
        Pe::WriteU32(entry, address + at);
        Pe::WriteU32(entry + 4, (uint32_t)sorted[i]->arrData.size());
        Pe::WriteU32(entry + 8, sorted[i]->uCodePage);
    }
    return tree;
}
