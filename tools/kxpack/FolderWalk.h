// Lists what a folder holds, at any depth, following links.
#pragma once

#include <string>
#include <vector>

// folder ends with a separator. files and folders receive paths relative
// to it with '/' separators, in the order met. False, with why naming the
// path, when an entry can't be read (a link to nothing, a folder that won't
// open), is neither a file nor a folder, or is a link back to a folder it
// lies in: nothing is ever skipped quietly.
bool ListFolder(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& folders,
                std::string& why);
