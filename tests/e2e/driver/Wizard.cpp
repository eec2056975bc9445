#include "Wizard.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>

#include "Text.h"
#include "TopWindows.h"
#include "resource.h"

namespace {

struct SButtonName
{
    const char* pszName;
    int nId;
};

const SButtonName g_arrButtons[] = {
    {"back", IDC_WIZARD_BACK},
    {"next", IDC_WIZARD_NEXT},
    {"finish", IDC_WIZARD_FINISH},
    {"cancel", IDCANCEL},
};

bool IsWizard(HWND window, const std::string& titlePattern)
{
    if (!GetDlgItem(window, IDC_WIZARD_NEXT))
        return false;
    return titlePattern.empty() || Text::Matches(TopWindows::GetTitle(window), titlePattern);
}

std::string DescribeControl(HWND control, const char* label)
{
    char line[64];
    std::snprintf(line, sizeof(line), "%s %d ", label, GetDlgCtrlID(control));
    std::string out = line;
    out += TopWindows::GetClass(control);
    out += IsWindowVisible(control) ? " visible" : " hidden";
    out += IsWindowEnabled(control) ? " enabled" : " disabled";
    out += " \"" + Text::OneLine(TopWindows::GetControlText(control)) + "\"\n";
    return out;
}

} // namespace

HWND CWizard::Find(const std::string& titlePattern)
{
    std::vector<HWND> found = TopWindows::Find([&](HWND w) { return IsWizard(w, titlePattern); });
    return found.empty() ? nullptr : found.front();
}

HWND CWizard::WaitFor(const std::string& titlePattern, DWORD timeoutMs)
{
    return TopWindows::WaitFor([&](HWND w) { return IsWizard(w, titlePattern); }, timeoutMs);
}

HWND CWizard::GetCurrentPage() const
{
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(m_hSheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_NORMAL, 5000, &page))
        return nullptr;
    return reinterpret_cast<HWND>(page);
}

std::string CWizard::GetTitle() const
{
    return TopWindows::GetTitle(m_hSheet);
}

HWND CWizard::FindControl(const std::string& name) const
{
    for (const SButtonName& button : g_arrButtons)
        if (name == button.pszName)
            return GetDlgItem(m_hSheet, button.nId);
    long id = 0;
    if (!Text::ParseNumber(name, id))
        return nullptr;
    if (HWND page = GetCurrentPage())
        if (HWND control = GetDlgItem(page, (int)id))
            return control;
    return GetDlgItem(m_hSheet, (int)id);
}

bool CWizard::Click(const std::string& name, std::string& error) const
{
    HWND button = FindControl(name);
    if (!button) {
        error = "no control \"" + name + "\" on the wizard";
        return false;
    }
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) {
        error = "\"" + name + "\" is hidden or disabled";
        return false;
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    // The sheet notices its end only after a posted message (Wine).
    if (name == "finish" || name == "cancel")
        PostMessageA(m_hSheet, WM_NULL, 0, 0);
    return true;
}

bool CWizard::Sync() const
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(m_hSheet, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
}

std::string CWizard::Describe() const
{
    std::string out = "title \"" + GetTitle() + "\"\n";
    for (const SButtonName& button : g_arrButtons)
        if (HWND control = GetDlgItem(m_hSheet, button.nId))
            out += DescribeControl(control, button.pszName);
    HWND page = GetCurrentPage();
    if (!page)
        return out + "no current page\n";
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        out += DescribeControl(child, "control");
    return out;
}
