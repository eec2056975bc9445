#include "FolderWalk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "FileId.h"
#include "OpenFiles.h"

namespace {

// A folder on the way down, its names read in full so that no handle stays
// open however deep the walk goes.
struct SFolder
{
    std::string strRelative; // "" or "sub/"
    SFileId id;
    std::vector<std::string> arrNames;
    size_t uNext;
};

std::string Failed(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + strerror(errno);
}

bool ReadNames(const std::string& path, std::vector<std::string>& names, std::string& why)
{
    const COpenFolder folder(opendir(path.c_str()));
    DIR* dir = folder.Get();
    if (!dir) {
        why = Failed("cannot open the folder", path);
        return false;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir);
        if (!entry)
            break;
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    }
    const bool ok = errno == 0;
    if (!ok)
        why = Failed("cannot read the folder", path);
    return ok;
}

// Pushes top + relative onto path, the folders from the top down to the
// one being read (a stack of our own: no depth of folders can exhaust the
// real one).
bool Enter(std::vector<SFolder>& path, const std::string& top, const std::string& relative, std::string& why)
{
    const std::string folder = top + relative;
    SFileId id;
    if (!GetFileId(folder.c_str(), id)) {
        why = Failed("cannot read the folder", folder);
        return false;
    }
    for (const SFolder& above : path) {
        if (above.id == id) {
            why = "\"" + folder + "\" leads back to \"" + top + above.strRelative +
                  "\", a folder it lies in: a link makes a loop";
            return false;
        }
    }
    path.push_back(SFolder{relative, id, {}, 0});
    return ReadNames(folder, path.back().arrNames, why);
}

} // namespace

bool ListFolder(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& folders,
                std::string& why)
{
    std::vector<SFolder> path;
    if (!Enter(path, folder, "", why))
        return false;
    while (!path.empty()) {
        SFolder& current = path.back();
        if (current.uNext == current.arrNames.size()) {
            path.pop_back();
            continue;
        }
        const std::string relative = current.strRelative + current.arrNames[current.uNext++];
        const std::string name = folder + relative;
        struct stat st;
        if (stat(name.c_str(), &st) != 0) {
            why = Failed("cannot read", name);
#ifndef _WIN32
            if (lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
                why = "\"" + name + "\" is a link to nothing";
#endif
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            folders.push_back(relative);
            if (!Enter(path, folder, relative + "/", why))
                return false;
        } else if (S_ISREG(st.st_mode)) {
            files.push_back(relative);
        } else {
            // Reading a pipe or a device would hang or never end.
            why = "\"" + name + "\" is neither a file nor a folder";
            return false;
        }
    }
    return true;
}
