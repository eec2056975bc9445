#include "Registration.h"

#include <windows.h>

#include "FileText.h"
#include "Folders.h"
#include "InstalledPrograms.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
} // namespace

void CRegistration::Take(const CSmallString& folder)
{
    CSmallString app = folder;
    WinPath::EndWithBackslash(app);
    m_strLogPath = app + "uninstall.dat";
    m_bHadLog = LoadFileIntoString(m_strLogPath, m_strLogText);
    SInstalledProgram program;
    if (!FindInstalledProgramAt(folder, program))
        return;
    CRegKey key;
    const CSmallString subkey = CSmallString(kUninstall) + program.strKey;
    if (key.Open(program.hRoot, subkey, KEY_READ | (REGSAM)program.ulView) != ERROR_SUCCESS)
        return;
    char name[16384];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(name), type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        SValue value;
        value.strName = CSmallString(name, (int)nameSize);
        value.ulType = type;
        value.arrData.SetSize(size);
        nameSize = sizeof(name);
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, value.arrData.GetData(), &size) != ERROR_SUCCESS)
            continue;
        value.arrData.SetSize(size);
        m_arrValues.Add(value);
    }
    m_hRoot = program.hRoot;
    m_ulView = program.ulView;
    m_strSubKey = subkey;
}

bool CRegistration::GiveBack()
{
    bool registered = true;
    if (m_bHadLog && !DoesFileExist(m_strLogPath)) {
        if (WriteNewFile(m_strLogPath, m_strLogText.GetText(), (unsigned)m_strLogText.GetLength()))
            LogLine("Wrote %s back: what is left can be uninstalled again", m_strLogPath.GetText());
        else
            registered = false;
    }
    if (!IsTaken())
        return registered && m_bHadLog;
    const HKEY root = static_cast<HKEY>(m_hRoot);
    CRegKey key;
    if (key.Open(root, m_strSubKey, KEY_READ | (REGSAM)m_ulView) == ERROR_SUCCESS)
        return registered;
    if (key.Create(root, m_strSubKey, KEY_SET_VALUE | (REGSAM)m_ulView) != ERROR_SUCCESS)
        return false;
    for (unsigned i = 0; i < m_arrValues.GetSize(); i++) {
        const SValue& value = m_arrValues[i];
        RegSetValueExA(key, value.strName.IsEmpty() ? nullptr : value.strName.GetText(), 0, value.ulType,
                       value.arrData.GetData(), value.arrData.GetSize());
    }
    LogLine("Wrote the Uninstall entry back: the program stays listed as installed");
    return registered;
}
