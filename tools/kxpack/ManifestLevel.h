// The execution level an application manifest asks for: the
// requestedExecutionLevel element's level attribute decides whether Windows
// asks for administrator rights before the program starts.
#pragma once

#include <vector>

// Makes every requestedExecutionLevel of the manifest (UTF-8 XML) ask for
// asInvoker: the program runs with the rights of whoever starts it, and
// Windows asks nothing. The attribute is padded with blanks inside its tag
// to the length it had, so the manifest keeps its size and every other
// byte. Null when done, else why not; the manifest is then unchanged.
const char* RequestAsInvoker(std::vector<unsigned char>& manifest);
