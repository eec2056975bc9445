#include "RunLock.h"

#include <windows.h>

#include "Containers.h"

namespace {

// Locks this process holds already: taking one again (the installer that
// finishes an interrupted uninstall of its application) is no conflict.
Container::CArray<CSmallString>& HeldHere()
{
    static Container::CArray<CSmallString>* s_pHeld = new Container::CArray<CSmallString>;
    return *s_pHeld;
}

// A mutex name of its own: "kxsetup-<kind>-" and what, folded to lower case,
// with the backslash the system reserves made a slash.
CSmallString MutexName(const char* kind, const char* what)
{
    CSmallString name = CSmallString("kxsetup-") + kind + "-" + what;
    for (int i = 0; i < name.GetLength(); i++) {
        const char c = name.GetAt(i);
        if (c == '\\')
            name.SetAt(i, '/');
        else if (c >= 'A' && c <= 'Z')
            name.SetAt(i, (char)(c - 'A' + 'a'));
    }
    return name.GetLength() > 200 ? name.Mid(0, 200) : name;
}

// Creates it; false when it existed (another process holds it).
bool Create(CAutoHandle& mutex, const CSmallString& name)
{
    mutex.Reset(CreateMutexA(nullptr, FALSE, name));
    if (mutex.IsValid() && GetLastError() == ERROR_ALREADY_EXISTS) {
        mutex.Close();
        return false;
    }
    return true; // made, or no mutex at all: nothing to hold against
}

} // namespace

CRunLock::~CRunLock() { Release(); }

void CRunLock::Release()
{
    Container::CArray<CSmallString>& held = HeldHere();
    for (unsigned i = 0; !m_strName.IsEmpty() && i < held.GetSize(); i++)
        if (held[i] == m_strName) {
            held.RemoveAt(i);
            break;
        }
    m_strName.Empty();
    m_local.Close();
    m_global.Close();
}

bool CRunLock::Take(const char* kind, const char* what)
{
    if (!what || !*what)
        return true;
    const CSmallString name = MutexName(kind, what);
    Container::CArray<CSmallString>& held = HeldHere();
    for (unsigned i = 0; i < held.GetSize(); i++)
        if (held[i] == name)
            return true;
    if (!Create(m_local, CSmallString("Local\\") + name))
        return false;
    if (!Create(m_global, CSmallString("Global\\") + name)) {
        m_local.Close();
        return false;
    }
    m_strName = name;
    held.Add(name);
    return true;
}
