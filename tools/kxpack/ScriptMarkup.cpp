#include "ScriptMarkup.h"

std::string Tag(const char* name) { return std::string("<") + name + ">"; }

std::string TagWithText(const char* name, const std::string& text)
{
    return Tag(name) + text + "</" + name + ">";
}

std::string AttributeText(const char* name, const std::string& value)
{
    return std::string(name) + "=\"" + value + "\"";
}

std::string EmptyTag(const char* name, const std::string& attributes)
{
    return std::string("<") + name + " " + attributes + "/>";
}
