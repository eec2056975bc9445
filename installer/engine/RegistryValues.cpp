// Registry values the script writes, journaled while an installation runs.
#include "Exceptions.h"
#include "InstallScope.h"
#include "InstallSession.h"
#include "RegistryData.h"
#include "SystemPaths.h"
#include "RegistryKeyPath.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "win32/Handles.h"

// Writes one value, journaled when an installation is running.
static bool SetValue(CInstallSession* session, const char* key, const char* valueName, DWORD type, const BYTE* data,
                     DWORD size)
{
    RegistryKeyPath::SKey parsed;
    if (!RegistryKeyPath::Parse(key, parsed)) {
        LogLine("Registry value not written: %s has no known root (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER)", key);
        return false; // an unknown root would address the wrong place
    }
    CSmallString userKey;
    if (parsed.eRoot == RegistryKeyPath::LocalMachine && IsPerUser() && IsScopeChoosable() &&
        RegistryKeyPath::MapToUserKey(key, userKey) && RegistryKeyPath::Parse(userKey, parsed)) {
        // Chosen for the user alone: the user's classes, App Paths, entry.
    } else if (parsed.eRoot == RegistryKeyPath::LocalMachine && IsPerUser()) {
        LogLine("Registry value not written: %s: a per-user installation writes nothing under HKEY_LOCAL_MACHINE",
                key);
        return false;
    }
    const char* rootName = RegistryKeyPath::RootName(parsed.eRoot);
    const HKEY root = GetRegistryRoot(rootName);
    const char* name = valueName && *valueName ? valueName : nullptr;
    SRegistryBefore before;
    if (session) {
        before = CaptureRegistry(root, rootName, parsed.strSubKey, name);
        session->GetJournal().BeforeValue(before);
    }
    CRegKey handle;
    LONG rc = handle.Create(root, parsed.strSubKey, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(handle, name, 0, type, data, size);
    if (session)
        session->GetJournal().AddRegistry(before, rc == ERROR_SUCCESS);
    if (rc == ERROR_SUCCESS)
        LogLine("Registry value written: %s\\%s", RegistryKeyPath::Format(parsed).GetText(), name ? name : "(default)");
    else
        LogLine("Registry value not written: %s\\%s: %s", RegistryKeyPath::Format(parsed).GetText(),
                name ? name : "(default)", GetLastErrorString((int)rc).GetText());
    return rc == ERROR_SUCCESS;
}

bool CSinReader::AddRegKey(const char* key, const char* valueName, const char* value)
{
    CSmallString text(value);
    TranslatePath(text);
    // The registry expects string data to include its terminating NUL.
    return SetValue(m_pSession, key, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text.GetText()),
             (DWORD)text.GetLength() + 1);
}

bool CSinReader::AddRegKey(const char* key, const char* valueName, unsigned int value)
{
    const DWORD data = value;
    return SetValue(m_pSession, key, valueName, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

bool CSinReader::AddRegValue(const char* key, const char* valueName, const char* typeWord, const CSmallString& text,
                             CSmallString& why)
{
    ERegValueType type = RegValueString;
    if (!ParseRegValueType(typeWord, type)) {
        why.Format("\"%s\" is not a type of registry value", typeWord);
        return false;
    }
    CSmallString translated = text;
    if (type == RegValueString || type == RegValueMulti) {
        TranslatePath(translated);
    } else if (type == RegValueExpand) {
        // The other references are the registry's to expand when read.
        CSmallString app;
        app.Format("%s\\", Variable::AppReference);
        translated.Replace(app, Variable::AppReference);
        translated.Replace(Variable::AppReference, ExpandEnvironment(Variable::AppReference));
    }
    Container::CArray<unsigned char> data;
    if (!EncodeRegValue(type, translated, data, why))
        return false;
    if (!SetValue(m_pSession, key, valueName, GetRegTypeNumber(type), data.GetData(), data.GetSize())) {
        why = "the registry refused it (the setup log says why)";
        return false;
    }
    return true;
}

bool CSinReader::WriteRegValue(const char* key, const char* valueName, unsigned type, const void* data, unsigned size)
{
    return SetValue(m_pSession, key, valueName, type, static_cast<const BYTE*>(data), size);
}
