#include "PeResources.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "ManifestLevel.h"
#include "PeHeaders.h"
#include "VersionInfo.h"
#include "resource.h"

namespace {

const uint32_t kIconType = 3;
const uint32_t kIconGroupType = 14;
const uint32_t kVersionType = 16;
const uint32_t kVersionName = 1;
const uint32_t kManifestType = 24;
const uint32_t kProcessManifestName = 1; // the one Windows reads when it starts the program

// Optional header fields, at the same offsets in PE32 and PE32+.
const unsigned kInitializedDataAt = 8;
const unsigned kSectionAlignmentAt = 32;
const unsigned kFileAlignmentAt = 36;
const unsigned kSizeOfImageAt = 56;
const unsigned kSizeOfHeadersAt = 60;

// The largest file alignment the format allows.
const uint32_t kLargestFileAlignment = 64 * 1024;

// An image or file beyond this is no program Windows loads.
const unsigned long long kLargest = 0x80000000ull;

// Initialised data, readable: what linkers give .rsrc.
const uint32_t kResourceSectionFlags = 0x40000040;

struct SSection
{
    uint32_t uHeader; // offset of its header in the file
    uint32_t uAddress, uVirtualSize, uRawOffset, uRawSize;

    uint32_t RawEnd() const { return uRawOffset + uRawSize; }
};

uint32_t Align(uint32_t value, uint32_t to) { return (uint32_t)(((unsigned long long)value + to - 1) / to * to); }

bool IsPowerOfTwo(uint32_t value) { return value && !(value & (value - 1)); }

class CStubEditor
{
public:
    CStubEditor(std::vector<unsigned char>& stub) : m_stub(stub) {}

    const char* Read()
    {
        if (const char* why = ReadPeHeaders(m_stub.data(), m_stub.size(), m_pe))
            return why;
        m_uFileAlignment = U32(m_pe.uOptionalHeader + kFileAlignmentAt);
        m_uSectionAlignment = U32(m_pe.uOptionalHeader + kSectionAlignmentAt);
        if (!IsPowerOfTwo(m_uFileAlignment) || !IsPowerOfTwo(m_uSectionAlignment) ||
            m_uFileAlignment > kLargestFileAlignment)
            return "its sections' alignment is not one Windows loads";
        if (m_pe.uDataDirectoryCount <= Pe::kSecurityDirectory)
            return "its headers have too few data directories";
        for (uint16_t i = 0; i < m_pe.uSectionCount; i++) {
            const uint32_t at = m_pe.uSectionTable + i * Pe::kSectionHeaderSize;
            const SSection section = {at, U32(at + 12), U32(at + 8), U32(at + 20), U32(at + 16)};
            if (section.uRawSize && (unsigned long long)section.uRawOffset + section.uRawSize > m_stub.size())
                return "a section lies outside the file";
            m_arrSections.push_back(section);
        }
        const uint32_t address = U32(Directory(Pe::kResourceDirectory));
        if (!address)
            return nullptr; // no resources yet
        const SSection* home = SectionAt(address, 1);
        if (!home)
            return "its resource directory lies outside the file";
        const uint32_t skip = address - home->uAddress;
        return ReadResourceTree(
            m_stub.data() + home->uRawOffset + skip, home->uRawSize - skip,
            [this](uint32_t at, uint32_t size) -> const unsigned char* { return BytesAt(at, size); }, m_resources);
    }

    const CResourceList& GetResources() const { return m_resources; }

    void SetIcon(const std::vector<SIconImage>& images)
    {
        std::vector<uint16_t> dropped;
        SResourceKey language = SResourceKey::Id(0);
        bool found = false;
        Remove([&](const SResource& r) {
            if (!IsAppIconGroup(r))
                return false;
            if (!found)
                language = r.language;
            found = true;
            const std::vector<uint16_t> ids = ReadIconGroupIds(r.arrData);
            dropped.insert(dropped.end(), ids.begin(), ids.end());
            return true;
        });
        // Images another group still shows stay.
        std::set<uint32_t> kept;
        for (const SResource& r : m_resources)
            if (r.type == SResourceKey::Id(kIconGroupType))
                for (uint16_t id : ReadIconGroupIds(r.arrData))
                    kept.insert(id);
        Remove([&](const SResource& r) {
            return r.type == SResourceKey::Id(kIconType) && !r.name.bNamed && !kept.count(r.name.uId) &&
                   std::find(dropped.begin(), dropped.end(), r.name.uId) != dropped.end();
        });
        std::set<uint32_t> used;
        for (const SResource& r : m_resources)
            if (r.type == SResourceKey::Id(kIconType) && !r.name.bNamed)
                used.insert(r.name.uId);
        std::vector<uint16_t> ids;
        for (uint16_t id = 1; ids.size() < images.size(); id++)
            if (!used.count(id))
                ids.push_back(id);
        for (size_t i = 0; i < images.size(); i++)
            Add(kIconType, ids[i], language, images[i].arrBytes);
        Add(kIconGroupType, IDI_SETUP, language, MakeIconGroup(images, ids));
    }

    void SetVersionInfo(const std::vector<unsigned char>& info)
    {
        Remove([](const SResource& r) { return r.type == SResourceKey::Id(kVersionType); });
        Add(kVersionType, kVersionName, SResourceKey::Id(kVersionLanguage), info);
    }

    // The manifest Windows reads as the program starts asks for the level
    // of rights. Its size stays.
    const char* SetLevel(const char* level)
    {
        bool found = false;
        for (SResource& r : m_resources)
            if (IsProcessManifest(r)) {
                if (const char* why = RequestExecutionLevel(r.arrData, level))
                    return why;
                found = true;
            }
        return found ? nullptr : "it has no manifest";
    }

    bool AsksAsInvoker() const
    {
        for (const SResource& r : m_resources)
            if (IsProcessManifest(r) && ::AsksAsInvoker(r.arrData))
                return true;
        return false;
    }

    // A signature covers the bytes it was made for: changed resources end it.
    bool DropCertificate()
    {
        const uint32_t entry = Directory(Pe::kSecurityDirectory);
        const uint32_t offset = U32(entry), size = U32(entry + 4);
        if (!offset && !size)
            return false;
        memset(&m_stub[entry], 0, 8);
        // Its bytes go too when they end the file, as signing tools leave them.
        if (offset >= RawEnd() && offset <= m_stub.size())
            m_stub.resize(offset);
        return true;
    }

    const char* Write()
    {
        // A resource section that is the last in the image and the file
        // (one this made before) is replaced rather than followed.
        const uint32_t address = U32(Directory(Pe::kResourceDirectory));
        const SSection* reuse = m_arrSections.empty() ? nullptr : &m_arrSections.back();
        if (reuse && (reuse->uAddress != address || !address || reuse->uAddress < ImageEnd(reuse) ||
                      reuse->RawEnd() != m_stub.size() || reuse->uRawOffset < RawEnd(reuse)))
            reuse = nullptr;
        const uint32_t header = reuse ? reuse->uHeader : m_pe.uSectionTable + m_pe.uSectionCount * Pe::kSectionHeaderSize;
        if (!reuse && !HasRoomForHeader(header))
            return "its headers have no room for another section";
        const unsigned long long imageEnd = reuse ? reuse->uAddress : ImageEnd(nullptr);
        if (imageEnd >= kLargest || m_stub.size() >= kLargest)
            return "it would grow too large";
        const uint32_t sectionAddress = (uint32_t)imageEnd;
        const uint32_t rawOffset = reuse ? reuse->uRawOffset : Align((uint32_t)m_stub.size(), m_uFileAlignment);
        const std::vector<unsigned char> tree = WriteResourceTree(m_resources, sectionAddress);
        const uint32_t rawSize = Align((uint32_t)tree.size(), m_uFileAlignment);
        if ((unsigned long long)rawOffset + rawSize >= kLargest || imageEnd + tree.size() >= kLargest)
            return "it would grow too large";

        const uint32_t oldRawSize = reuse ? reuse->uRawSize : 0;
        // Tools that find resources by the section's name (binutils' among
        // them) must find the new ones.
        for (const SSection& s : m_arrSections)
            if (&s != reuse && !memcmp(&m_stub[s.uHeader], ".rsrc\0\0\0", 8))
                memcpy(&m_stub[s.uHeader], ".oldrsrc", 8);
        m_stub.resize(rawOffset);
        m_stub.insert(m_stub.end(), tree.begin(), tree.end());
        m_stub.resize(rawOffset + rawSize);
        unsigned char* section = &m_stub[header];
        memset(section, 0, Pe::kSectionHeaderSize);
        memcpy(section, ".rsrc", 5);
        Pe::WriteU32(section + 8, (uint32_t)tree.size());
        Pe::WriteU32(section + 12, sectionAddress);
        Pe::WriteU32(section + 16, rawSize);
        Pe::WriteU32(section + 20, rawOffset);
        Pe::WriteU32(section + 36, kResourceSectionFlags);
        if (!reuse)
            Pe::WriteU16(&m_stub[m_pe.uCoffHeader + 2], (uint16_t)(m_pe.uSectionCount + 1));
        const uint32_t optional = m_pe.uOptionalHeader;
        Pe::WriteU32(&m_stub[optional + kSizeOfImageAt],
                     Align(sectionAddress + (uint32_t)tree.size(), m_uSectionAlignment));
        Pe::WriteU32(&m_stub[optional + kInitializedDataAt],
                     U32(optional + kInitializedDataAt) - oldRawSize + rawSize);
        Pe::WriteU32(&m_stub[Directory(Pe::kResourceDirectory)], sectionAddress);
        Pe::WriteU32(&m_stub[Directory(Pe::kResourceDirectory) + 4], (uint32_t)tree.size());
        WriteChecksum();
        return nullptr;
    }

    // The changed resources' data back where it was read from, after changes
    // that kept every resource and its size: nothing else of the image moves.
    // What changed is known before anything is written: resources may share
    // their bytes.
    const char* WriteInPlace()
    {
        std::vector<std::pair<const SResource*, unsigned char*>> changed;
        if (const char* why = FindChangedInPlace(changed))
            return why;
        for (const auto& write : changed)
            std::copy(write.first->arrData.begin(), write.first->arrData.end(), write.second);
        WriteChecksum();
        return nullptr;
    }

    // Whether WriteInPlace would change any byte of the stub.
    bool ChangesInPlace()
    {
        std::vector<std::pair<const SResource*, unsigned char*>> changed;
        return FindChangedInPlace(changed) || !changed.empty();
    }

private:
    const char* FindChangedInPlace(std::vector<std::pair<const SResource*, unsigned char*>>& changed)
    {
        for (const SResource& r : m_resources) {
            unsigned char* data = BytesAt(r.uAddress, (uint32_t)r.arrData.size());
            if (!data)
                return "a resource no longer fits where it was";
            if (!std::equal(r.arrData.begin(), r.arrData.end(), data))
                changed.emplace_back(&r, data);
        }
        return nullptr;
    }

    static bool IsProcessManifest(const SResource& r)
    {
        return r.type == SResourceKey::Id(kManifestType) && r.name == SResourceKey::Id(kProcessManifestName);
    }

    uint32_t U32(uint32_t at) const { return Pe::ReadU32(&m_stub[at]); }
    void WriteChecksum() { Pe::WriteU32(&m_stub[m_pe.uChecksum], PeChecksum(m_stub, m_pe.uChecksum)); }
    uint32_t Directory(unsigned index) const { return m_pe.uDataDirectories + 8 * index; }

    static bool IsAppIconGroup(const SResource& r)
    {
        return r.type == SResourceKey::Id(kIconGroupType) && r.name == SResourceKey::Id(IDI_SETUP);
    }

    template <class F> void Remove(F which)
    {
        m_resources.erase(std::remove_if(m_resources.begin(), m_resources.end(), which), m_resources.end());
    }

    void Add(uint32_t type, uint32_t name, const SResourceKey& language, const std::vector<unsigned char>& data)
    {
        SResource resource;
        resource.type = SResourceKey::Id(type);
        resource.name = SResourceKey::Id(name);
        resource.language = language;
        resource.arrData = data;
        m_resources.push_back(std::move(resource));
    }

    // The section whose bytes in the file hold size bytes at address.
    const SSection* SectionAt(uint32_t address, uint32_t size) const
    {
        for (const SSection& s : m_arrSections)
            if (address >= s.uAddress && (unsigned long long)address - s.uAddress + size <= s.uRawSize)
                return &s;
        return nullptr;
    }

    // The file's bytes at an address of the image, size of them, or null
    // when they are not all in one section's bytes.
    unsigned char* BytesAt(uint32_t address, uint32_t size)
    {
        const SSection* section = SectionAt(address, size);
        return section ? m_stub.data() + section->uRawOffset + (address - section->uAddress) : nullptr;
    }

    // The end of the sections' bytes in the file, and in the image, leaving
    // out one section.
    uint32_t RawEnd(const SSection* but = nullptr) const
    {
        uint32_t end = 0;
        for (const SSection& s : m_arrSections)
            if (&s != but && s.uRawSize)
                end = std::max(end, s.RawEnd());
        return end;
    }
    unsigned long long ImageEnd(const SSection* but) const
    {
        // The headers are mapped at the image's start: nothing goes at 0.
        unsigned long long end = but ? 0 : std::max<uint32_t>({U32(m_pe.uOptionalHeader + kSizeOfImageAt),
                                                              U32(m_pe.uOptionalHeader + kSizeOfHeadersAt), 1});
        for (const SSection& s : m_arrSections)
            if (&s != but)
                end = std::max(end, (unsigned long long)s.uAddress + std::max(s.uVirtualSize, s.uRawSize));
        return (end + m_uSectionAlignment - 1) / m_uSectionAlignment * m_uSectionAlignment;
    }

    // A header fits before the first section's bytes, over zeros only (some
    // tools keep bound imports there).
    bool HasRoomForHeader(uint32_t header) const
    {
        uint32_t limit = U32(m_pe.uOptionalHeader + kSizeOfHeadersAt);
        for (const SSection& s : m_arrSections)
            if (s.uRawSize)
                limit = std::min(limit, s.uRawOffset);
        if ((unsigned long long)header + Pe::kSectionHeaderSize > std::min<size_t>(limit, m_stub.size()))
            return false;
        return std::all_of(m_stub.begin() + header, m_stub.begin() + header + Pe::kSectionHeaderSize,
                           [](unsigned char b) { return b == 0; });
    }

    std::vector<unsigned char>& m_stub;
    SPeHeaders m_pe = {};
    uint32_t m_uFileAlignment = 0, m_uSectionAlignment = 0;
    std::vector<SSection> m_arrSections;
    CResourceList m_resources;
};

// Changes a copy of the stub and writes it, in a new resource section or
// where its resources lie; the stub takes the copy only when all went well.
template <class F>
const char* EditStub(std::vector<unsigned char>& stub, std::vector<std::string>& notes, bool inPlace, F change)
{
    std::vector<unsigned char> edited = stub;
    CStubEditor editor(edited);
    if (const char* why = editor.Read())
        return why;
    if (const char* why = change(editor))
        return why;
    // A manifest that already asks for the level stays, and so does a
    // signature over it.
    if (inPlace && !editor.ChangesInPlace())
        return nullptr;
    const bool wasSigned = editor.DropCertificate();
    if (const char* why = inPlace ? editor.WriteInPlace() : editor.Write())
        return why;
    if (wasSigned)
        notes.push_back(std::string("the stub was signed: its signature does not cover the changed ") +
                        (inPlace ? "manifest" : "resources") + " and was removed");
    stub.swap(edited);
    return nullptr;
}

} // namespace

const char* SetStubResources(std::vector<unsigned char>& stub, const SStubResources& resources,
                             std::vector<std::string>& notes)
{
    return EditStub(stub, notes, false, [&](CStubEditor& editor) -> const char* {
        if (!resources.arrIcon.empty())
            editor.SetIcon(resources.arrIcon);
        if (!resources.arrVersionInfo.empty())
            editor.SetVersionInfo(resources.arrVersionInfo);
        return nullptr;
    });
}

const char* SetStubLevel(std::vector<unsigned char>& stub, const char* level, std::vector<std::string>& notes)
{
    return EditStub(stub, notes, true, [level](CStubEditor& editor) { return editor.SetLevel(level); });
}

bool StubAsksAsInvoker(const std::vector<unsigned char>& stub)
{
    std::vector<unsigned char> copy = stub;
    CStubEditor editor(copy);
    return !editor.Read() && editor.AsksAsInvoker();
}

const char* ReadStubResources(const std::vector<unsigned char>& stub, CResourceList& resources)
{
    std::vector<unsigned char> copy = stub;
    CStubEditor editor(copy);
    const char* why = editor.Read();
    resources = editor.GetResources();
    return why;
}

uint32_t PeChecksum(const std::vector<unsigned char>& file, uint32_t checksumAt)
{
    return PeChecksum(file.data(), file.size(), checksumAt);
}
