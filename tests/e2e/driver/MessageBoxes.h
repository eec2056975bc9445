// Message boxes (dialog class #32770 without wizard buttons) of any process
// on the desktop; the program's own small dialogs are seen as such too, a
// text in an edit control (the usage) counting as the box's text.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SMessageBoxButton
{
    int nId;
    std::string strText;
};

class CMessageBoxView
{
public:
    explicit CMessageBoxView(HWND box);

    HWND GetWindow() const { return m_hBox; }
    const std::string& GetCaption() const { return m_strCaption; }
    const std::string& GetText() const { return m_strText; }
    bool HasButton(int id) const;
    // Caption, text, buttons and the default button, one a line.
    std::string Describe() const;

    // Presses the button as the dialog would and waits for the box to go.
    bool Answer(int id, DWORD timeoutMs) const;

    static bool IsMessageBox(HWND window);
    // Waits for a box whose text (or caption) matches the pattern.
    static HWND WaitFor(const std::string& pattern, DWORD timeoutMs);
    // A button of Windows' message boxes by name ("ok", "cancel", "abort",
    // "retry", "ignore", "yes", "no", "close", "help", "tryagain",
    // "continue") or a number; 0 when unknown.
    static int ButtonId(const std::string& name);

private:
    HWND m_hBox;
    std::string m_strCaption;
    std::string m_strText;
    std::vector<SMessageBoxButton> m_arrButtons;
    int m_nDefaultId;
};
