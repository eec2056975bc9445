// Installation: the install section run against a destination folder.
#include "EngineHelpers.h"
#include "Folders.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "XMLDocument.h"
#include "win32/ResString.h"

bool CSinReader::Install(const CSmallString& destination, CSinProgressABC* progress)
{
    m_strSection = "install";
    CSmallString folder = destination;
    CheckPath(folder);
    SetEnvironmentVariableA("APP", folder);
    CXMLNode* section = FindSection();
    if (!section)
        return false;
    if (!ExecuteCommands(section, progress))
        return false;
    AddUninstall();
    return true;
}

bool CSinReader::WriteFileToDest(unsigned int item, const CSmallString& name, const CSmallString& dest)
{
    if (item >= m_arrItems.GetSize())
        return false;
    CSmallString path = ExpandEnvironment(dest);
    if (!CreateDirectoryPath(path)) {
        CSmallString message;
        message.Format(CResString(19), path.GetText());
        Error(message);
        return false;
    }
    CheckPath(path);
    path += name;
    // Read-only files are replaced like any other.
    if (DoesFileExist(path) && !SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL))
        return false;
    return WriteArrayToFile(path, m_arrItems[item]);
}
