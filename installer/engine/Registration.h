// An installation's registration: its Uninstall entry and its uninstall log.
// Taken before an uninstall removes anything and given back when the
// uninstall stops short, so that what is left stays listed and can be
// uninstalled again.
#pragma once

#include "Containers.h"
#include "SmallString.h"

class CRegistration
{
public:
    // The entry that names folder and the log in it, as they are now.
    void Take(const CSmallString& folder);
    // Writes back whichever of them is gone; true when the installation
    // is registered afterwards.
    bool GiveBack();
    bool IsTaken() const { return !m_strSubKey.IsEmpty(); }

private:
    struct SValue
    {
        CSmallString strName;
        unsigned long ulType = 0;
        Container::CArray<unsigned char> arrData;
    };
    void* m_hRoot = nullptr;
    unsigned long m_ulView = 0;
    CSmallString m_strSubKey;
    Container::CArray<SValue> m_arrValues;
    CSmallString m_strLogPath, m_strLogText;
    bool m_bHadLog = false;
};
