// Script markup that kxpack's messages quote (<scope>machine</scope>,
// <remove-folder path="%APP%"/>), spelt from the words the installer reads
// (ScriptWords.h), so that what a message tells a publisher to write is
// what the installer takes.
#pragma once

#include <string>

// <name>
std::string Tag(const char* name);
// <name>text</name>
std::string TagWithText(const char* name, const std::string& text);
// name="value"
std::string AttributeText(const char* name, const std::string& value);
// <name attributes/>, attributes as AttributeText makes them, joined by blanks.
std::string EmptyTag(const char* name, const std::string& attributes);
