// The manifest's execution level changed in place: only the level
// attribute of requestedExecutionLevel elements changes, padded to its
// length, or taking the blanks after it when longer; a manifest without
// one, without the room, or one that can't be read, is refused and left as
// it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ManifestLevel.h"

TEST(ManifestLevel, OnlyTheLevelChanges)
{
    struct SCase
    {
        const char* name;
        std::string manifest, expected; // expected empty: refused
        const char* why;
        const char* level = kAsInvoker;
    };
    const SCase cases[] = {
        {"double quotes", "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
         "<requestedExecutionLevel level=\"asInvoker\"            uiAccess=\"false\"/>", nullptr},
        {"a comment and CDATA hold no element; single quotes",
         "<!-- <requestedExecutionLevel level=\"highestAvailable\"/> --><![CDATA[<requestedExecutionLevel "
         "level=\"x\">]]><requestedExecutionLevel level='highestAvailable'></requestedExecutionLevel>",
         "<!-- <requestedExecutionLevel level=\"highestAvailable\"/> --><![CDATA[<requestedExecutionLevel "
         "level=\"x\">]]><requestedExecutionLevel level=\"asInvoker\"       ></requestedExecutionLevel>",
         nullptr},
        {"a namespace prefix, blanks around =, level last",
         "<v3:requestedExecutionLevel\r\n uiAccess=\"false\" level = \"asInvoker\"/>",
         "<v3:requestedExecutionLevel\r\n uiAccess=\"false\" level=\"asInvoker\"  />", nullptr},
        {"no element", "<requestedPrivileges/><executionLevel level=\"asInvoker\"/>", "",
         "no requestedExecutionLevel with a level"},
        {"no level", "<requestedExecutionLevel uiAccess=\"false\"/>", "", "no requestedExecutionLevel with a level"},
        {"a level shorter than any", "<requestedExecutionLevel level=\"x\"/>", "", "Windows doesn't know"},
        {"cut short in the tag", "<requestedExecutionLevel level=\"asInvoker", "", "not well-formed"},
        {"cut short in a comment", "<!-- <requestedExecutionLevel level=\"asInvoker\"/>", "", "cut short"},
        {"back to requireAdministrator, a blank kept before the next attribute",
         "<requestedExecutionLevel level=\"asInvoker\"            uiAccess=\"false\"/>",
         "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>", nullptr,
         kRequireAdministrator},
        {"requireAdministrator up to the tag's end", "<requestedExecutionLevel level='asInvoker'\r\n         />",
         "<requestedExecutionLevel level=\"requireAdministrator\"/>", nullptr, kRequireAdministrator},
        {"no room for requireAdministrator", "<requestedExecutionLevel level=\"asInvoker\"          uiAccess=\"false\"/>",
         "", "no room", kRequireAdministrator},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> manifest(c.manifest.begin(), c.manifest.end());
        const char* why = RequestExecutionLevel(manifest, c.level);
        EXPECT_EQ(c.why == nullptr, why == nullptr);
        if (why && c.why) {
            EXPECT_NE(std::string::npos, std::string(why).find(c.why)) << why;
        }
        EXPECT_EQ(c.expected.empty() ? c.manifest : c.expected, std::string(manifest.begin(), manifest.end()));
        if (!why) {
            EXPECT_EQ(c.level == kAsInvoker, AsksAsInvoker(manifest));
        }
    }
}
