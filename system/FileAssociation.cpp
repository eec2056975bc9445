#include "FileAssociation.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "SmallString.h"
#include "win32/Handles.h"

namespace {
bool IsEmptyText(const char* s)
{
    return !s || !*s;
}

// Sets the default value of HKCR\subKey unless it already holds exactly
// that text; true only when something was written.
bool SetDefaultValue(const CSmallString& subKey, const char* value, bool forUser)
{
    CRegKey hKey;
    if (hKey.Create(forUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT,
                    forUser ? CSmallString("Software\\Classes\\") + subKey : subKey, KEY_QUERY_VALUE | KEY_SET_VALUE) !=
        ERROR_SUCCESS)
        return false;

    const DWORD cbValue = (DWORD)strlen(value) + 1;
    // Data stored without its NUL counts as different and is rewritten.
    bool bSame = false;
    DWORD type = 0, cbOld = 0;
    if (RegQueryValueExA(hKey, nullptr, nullptr, &type, nullptr, &cbOld) == ERROR_SUCCESS && type == REG_SZ &&
        cbOld == cbValue) {
        CSmallString strOld;
        char* p = strOld.GetBuffer((int)cbValue);
        if (RegQueryValueExA(hKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(p), &cbOld) == ERROR_SUCCESS)
            bSame = type == REG_SZ && cbOld == cbValue && memcmp(p, value, cbValue) == 0;
        strOld.ReleaseBuffer(0);
    }

    bool bWritten = false;
    // The registry wants REG_SZ data with its terminating NUL.
    if (!bSame)
        bWritten =
            RegSetValueExA(hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), cbValue) == ERROR_SUCCESS;
    return bWritten;
}
} // namespace

bool CreateFileAssociation(const char* extension, const char* progId, const char* description, const char* exe,
                           const char* icon, unsigned iconIndex, const char* commandLine, bool forUser)
{
    if (IsEmptyText(extension) || extension[0] != '.' || extension[1] == 0 || IsEmptyText(progId))
        return false;

    const CSmallString strProgId(progId);
    bool bChanged = SetDefaultValue(extension, progId, forUser);
    if (!IsEmptyText(description))
        bChanged |= SetDefaultValue(strProgId, description, forUser);
    if (!IsEmptyText(exe)) {
        CSmallString strCommand;
        strCommand.Format("\"%s\"", exe);
        if (!IsEmptyText(commandLine)) {
            strCommand += ' ';
            strCommand += commandLine;
        }
        bChanged |= SetDefaultValue(strProgId + "\\shell\\open\\command", strCommand, forUser);
    }
    if (!IsEmptyText(icon)) {
        CSmallString strIcon;
        strIcon.Format("%s,%u", icon, iconIndex);
        bChanged |= SetDefaultValue(strProgId + "\\DefaultIcon", strIcon, forUser);
    }
    return bChanged;
}

void UpdateShellFileAssociationChanged()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
