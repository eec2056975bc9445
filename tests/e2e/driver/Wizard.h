// The installer's property-sheet wizard as seen from another process.
#pragma once

#include <windows.h>

#include <string>

class CWizard
{
public:
    // The first visible top-level window that has a wizard Next button and,
    // when a pattern is given, a matching title; null when there is none.
    static HWND Find(const std::string& titlePattern = std::string());
    static HWND WaitFor(const std::string& titlePattern, DWORD timeoutMs);

    explicit CWizard(HWND sheet) : m_hSheet(sheet) {}

    HWND GetSheet() const { return m_hSheet; }
    HWND GetCurrentPage() const;
    std::string GetTitle() const;

    // "next", "back", "finish", "cancel" name the sheet's buttons; a number
    // is a control id looked up on the current page, then on the sheet.
    HWND FindControl(const std::string& name) const;

    // Posted, never sent: the click may open a modal box that would block us.
    bool Click(const std::string& name, std::string& error) const;

    // Returns once the wizard's thread has handled everything sent before.
    bool Sync() const;

    // The title, the sheet's buttons and the current page's controls, one a line.
    std::string Describe() const;

private:
    HWND m_hSheet;
};
