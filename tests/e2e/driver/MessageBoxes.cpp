#include "MessageBoxes.h"

#include <cstdio>
#include <cstring>

#include "Text.h"
#include "TopWindows.h"
#include "resource.h"

namespace {

struct SButtonName
{
    const char* pszName;
    int nId;
};

// Windows' own message-box buttons; the scripts know them as IDOK, ... (lib.sh).
const SButtonName g_arrNames[] = {
    {"ok", IDOK},     {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},       {"ignore", IDIGNORE},
    {"yes", IDYES},   {"no", IDNO},         {"close", IDCLOSE}, {"tryagain", IDTRYAGAIN}, {"continue", IDCONTINUE},
    {"help", IDHELP},
};

// A box that shows a long text in an edit control (the usage) has it with
// \r\n line ends; the scripts compare texts with \n ones.
std::string WithoutCarriageReturns(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

} // namespace

CMessageBoxView::CMessageBoxView(HWND box) : m_hBox(box), m_nDefaultId(0)
{
    m_strCaption = TopWindows::GetTitle(box);
    for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const std::string cls = TopWindows::GetClass(child);
        const std::string text = TopWindows::GetControlText(child);
        if (_stricmp(cls.c_str(), "Static") == 0 && !text.empty())
            m_strText += (m_strText.empty() ? "" : "\n") + text;
        else if (_stricmp(cls.c_str(), "Edit") == 0 && !text.empty())
            m_strText += (m_strText.empty() ? "" : "\n") + WithoutCarriageReturns(text);
        else if (_stricmp(cls.c_str(), "Button") == 0 && IsWindowVisible(child)) {
            m_arrButtons.push_back({GetDlgCtrlID(child), text});
            // The default button is the one drawn as such (Wine's boxes don't answer DM_GETDEFID).
            if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                m_nDefaultId = GetDlgCtrlID(child);
        }
    }
}

bool CMessageBoxView::HasButton(int id) const
{
    for (const SMessageBoxButton& button : m_arrButtons)
        if (button.nId == id)
            return true;
    return false;
}

std::string CMessageBoxView::Describe() const
{
    std::string out = "caption \"" + m_strCaption + "\"\ntext \"" + Text::OneLine(m_strText) + "\"\nbuttons";
    char number[32];
    for (const SMessageBoxButton& button : m_arrButtons) {
        std::snprintf(number, sizeof(number), " %d:", button.nId);
        out += number + button.strText;
    }
    std::snprintf(number, sizeof(number), "\ndefault %d\n", m_nDefaultId);
    // Mirrored (Arabic, Hebrew) or not.
    return out + number + (GetWindowLongA(m_hBox, GWL_EXSTYLE) & WS_EX_LAYOUTRTL ? "layout rtl\n" : "layout ltr\n");
}

bool CMessageBoxView::Answer(int id, DWORD timeoutMs) const
{
    PostMessageA(m_hBox, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_hBox, id)));
    if (!TopWindows::WaitUntilDestroyed(m_hBox, timeoutMs))
        return false;
    // A wizard that the answer ended notices it only after a posted message (Wine).
    for (HWND wizard : TopWindows::Find([](HWND w) { return GetDlgItem(w, IDC_WIZARD_NEXT) != nullptr; }))
        PostMessageA(wizard, WM_NULL, 0, 0);
    return true;
}

bool CMessageBoxView::IsMessageBox(HWND window)
{
    return TopWindows::GetClass(window) == "#32770" && !GetDlgItem(window, IDC_WIZARD_NEXT);
}

HWND CMessageBoxView::WaitFor(const std::string& pattern, DWORD timeoutMs)
{
    return TopWindows::WaitFor(
        [&](HWND w) {
            if (!IsMessageBox(w))
                return false;
            if (pattern.empty())
                return true;
            CMessageBoxView view(w);
            return Text::Matches(view.GetText(), pattern) || Text::Matches(view.GetCaption(), pattern);
        },
        timeoutMs);
}

int CMessageBoxView::ButtonId(const std::string& name)
{
    for (const SButtonName& button : g_arrNames)
        if (name == button.pszName)
            return button.nId;
    long id = 0;
    return Text::ParseNumber(name, id) ? (int)id : 0;
}
