// Gives the stub its publisher's icon and version information by rewriting
// its resources, or makes its manifest ask for the rights the scope needs;
// its code and data stay as the linker wrote them.
//
// The resource tree is read whole (dialogs, texts, the manifest and all),
// changed, and written into a section of its own at the end of the image:
// the stub's resource section is seldom its last (.reloc follows it), and
// growing it in place would move what follows. The old section stays,
// unused and renamed .oldrsrc (tools that look for resources by the name
// .rsrc find the new ones), unless it is itself the last one (a stub that
// went through here before), which is then replaced. The resource directory entry, the image
// size and the checksum (computed as the linker does, over the new stub,
// which is what uninstall.exe will be) follow the new section.
//
// The manifest's execution level is changed where its bytes lie instead:
// it keeps its length, so nothing moves and only the checksum follows.
#pragma once

#include <string>
#include <vector>

#include "IconFile.h"
#include "ResourceTree.h"

struct SStubResources
{
    std::vector<SIconImage> arrIcon;          // empty: the stub's own icon stays
    std::vector<unsigned char> arrVersionInfo; // empty: none added
};

// Null when the stub now carries them, with notes for the publisher (a
// signature that had to go); else why not, and the stub is unchanged.
const char* SetStubResources(std::vector<unsigned char>& stub, const SStubResources& resources,
                             std::vector<std::string>& notes);

// The same for the manifest Windows reads as the program starts: it asks
// for level (ManifestLevel.h), changed in place. Refused for a stub without
// one, or whose manifest has no requestedExecutionLevel. A manifest that
// already asks for it leaves the stub untouched, a signature included.
const char* SetStubLevel(std::vector<unsigned char>& stub, const char* level, std::vector<std::string>& notes);

// Whether the stub's manifest asks for asInvoker (a stub made for scope
// user); false for one whose resources can't be read.
bool StubAsksAsInvoker(const std::vector<unsigned char>& stub);

// The resources the stub's resource directory names. Null, or why they
// can't be read.
const char* ReadStubResources(const std::vector<unsigned char>& stub, CResourceList& resources);

// PeHeaders' checksum, of a whole file held here.
uint32_t PeChecksum(const std::vector<unsigned char>& file, uint32_t checksumAt);
