#include "ManifestFiles.h"

#include <memory>

#include "Caught.h"
#include "OutputFile.h"

namespace {

// The folder and those above it that are missing. A step that can't be
// made (a drive, a share) is left to the check of the whole path.
bool MakeFolders(const std::string& path)
{
    for (size_t at = path.find_first_of("/\\", 1); at != std::string::npos; at = path.find_first_of("/\\", at + 1))
        MakeDirectory(path.substr(0, at).c_str());
    return MakeDirectory(path.c_str());
}

} // namespace

std::string SManifestFile::GetPath() const
{
    const char last = strDir.empty() ? '/' : strDir[strDir.size() - 1];
    return strDir + (last == '/' || last == '\\' ? "" : "/") + strName;
}

std::string WhyNotWriteManifests(const std::vector<SManifestFile>& files, const char* installer, bool force)
{
    for (const SManifestFile& file : files) {
        const std::string path = file.GetPath();
        const CSmallString temp = TemporaryNameFor(path.c_str());
        if (IsSameFile(path.c_str(), installer) || IsSameFile(temp, installer))
            return "refusing to overwrite " + path + ": it is the installer being described";
        if (IsDirectory(path.c_str()))
            return "cannot write " + path + ": a folder has that name";
        if (!force && NameIsTaken(path.c_str()))
            return "refusing to overwrite " + path + " (--force replaces existing files)";
    }
    return std::string();
}

bool WriteManifests(const std::vector<SManifestFile>& files, std::string& why)
{
    for (const SManifestFile& file : files) {
        const size_t slash = file.strName.rfind('/');
        const std::string path = file.GetPath();
        const std::string folder =
            slash == std::string::npos ? file.strDir : path.substr(0, path.size() - file.strName.size() + slash);
        if (!MakeFolders(folder)) {
            why = "cannot create the folder " + folder;
            return false;
        }
    }
    std::vector<std::unique_ptr<COutputFile>> outputs;
    CSmallString broke;
    const bool written = RunCaught(
        [&] {
            for (const SManifestFile& file : files) {
                outputs.emplace_back(new COutputFile(file.GetPath().c_str()));
                outputs.back()->GetStore().Write(file.strText.data(), (uint32_t)file.strText.size());
            }
        },
        broke);
    if (!written) {
        why = broke.GetText();
        return false;
    }
    for (std::unique_ptr<COutputFile>& output : outputs) {
        CSmallString failed;
        if (!output->Commit(failed)) {
            why = failed.GetText();
            return false;
        }
    }
    return true;
}
