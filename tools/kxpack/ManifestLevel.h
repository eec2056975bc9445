// The execution level an application manifest asks for: the
// requestedExecutionLevel element's level attribute decides whether Windows
// asks for administrator rights before the program starts.
#pragma once

#include <vector>

const char kAsInvoker[] = "asInvoker";
const char kRequireAdministrator[] = "requireAdministrator";

// Makes every requestedExecutionLevel of the manifest (UTF-8 XML) ask for
// level: asInvoker runs the program with the rights of whoever starts it,
// and Windows asks nothing; requireAdministrator asks for the rights first.
// The manifest keeps its size and every other byte: a shorter attribute is
// padded with blanks inside its tag, a longer one takes the blanks after
// it (those a shorter one left), keeping one before another attribute.
// Null when done, else why not; the manifest is then unchanged.
const char* RequestExecutionLevel(std::vector<unsigned char>& manifest, const char* level);

// Whether any requestedExecutionLevel of the manifest asks for asInvoker.
bool AsksAsInvoker(const std::vector<unsigned char>& manifest);
