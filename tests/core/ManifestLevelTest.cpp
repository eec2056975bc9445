// The manifest's execution level made asInvoker in place: only the level
// attribute of requestedExecutionLevel elements changes, padded to its
// length; a manifest without one, or one that can't be read, is refused
// and left as it was.
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
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned char> manifest(c.manifest.begin(), c.manifest.end());
        const char* why = RequestAsInvoker(manifest);
        EXPECT_EQ(c.why == nullptr, why == nullptr);
        if (why && c.why) {
            EXPECT_NE(std::string::npos, std::string(why).find(c.why)) << why;
        }
        EXPECT_EQ(c.expected.empty() ? c.manifest : c.expected, std::string(manifest.begin(), manifest.end()));
    }
}
