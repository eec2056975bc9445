// The pages as users see them: every text whole in its control, for
// application names of 1 to 40 characters, with and without a logo, in
// every language, and nothing overlapping or leaving the page.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include <cstdlib>
#include <cstring>

#include "BuiltInTexts.h"
#include "InUseDialog.h"
#include "Pages.h"
#include "RestartQuestion.h"
#include "Translation.h"
#include "WizardState.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

INT_PTR CALLBACK PlainPage(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

struct SControl
{
    HWND hwnd;
    RECT rect;
    std::wstring text;
    bool isStatic;
};

std::vector<SControl> Controls(HWND page)
{
    std::vector<SControl> controls;
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SControl c = {child, {0, 0, 0, 0}, std::wstring(), false};
        GetWindowRect(child, &c.rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&c.rect), 2);
        wchar_t text[1024] = L"";
        GetWindowTextW(child, text, 1024);
        c.text = text;
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof cls);
        c.isStatic = lstrcmpiA(cls, "Static") == 0;
        controls.push_back(c);
    }
    return controls;
}

// The height the text takes when the control wraps it at its width.
SIZE TextExtent(const SControl& c)
{
    const HDC dc = GetDC(c.hwnd);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c.hwnd, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, c.rect.right - c.rect.left, 0};
    DrawTextW(dc, c.text.c_str(), (int)c.text.size(), &rect, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(c.hwnd, dc);
    return SIZE{rect.right, rect.bottom};
}

void ExpectWholeTexts(HWND page, const std::string& what)
{
    RECT client;
    GetClientRect(page, &client);
    const std::vector<SControl> controls = Controls(page);
    for (size_t i = 0; i < controls.size(); i++) {
        const SControl& c = controls[i];
        const bool ellipsis = (GetWindowLongA(c.hwnd, GWL_STYLE) & SS_ELLIPSISMASK) != 0;
        if (c.isStatic && !c.text.empty() && !ellipsis) {
            const SIZE extent = TextExtent(c);
            EXPECT_LE(extent.cy, c.rect.bottom - c.rect.top) << what << ": text " << i << " is cut below";
            EXPECT_LE(extent.cx, c.rect.right - c.rect.left) << what << ": text " << i << " is cut at the side";
        }
        EXPECT_TRUE(c.rect.left >= 0 && c.rect.top >= 0 && c.rect.right <= client.right &&
                    c.rect.bottom <= client.bottom)
            << what << ": control " << i << " leaves the page";
        for (size_t j = i + 1; j < controls.size(); j++) {
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &c.rect, &controls[j].rect))
                << what << ": controls " << i << " and " << j << " overlap";
        }
    }
}

} // namespace

TEST(PageLayout, TextsFitForEveryNameLength)
{
    const HWND owner = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    CResString complete(IDS_INSTALL_COMPLETE), runNow(IDS_RUN_NOW), restartHint(IDS_INSTALL_COMPLETE_RESTART);
    ASSERT_NE(nullptr, (const char*)complete);
    const std::string folder = "C:\\Users\\Someone\\AppData\\Local\\Programs\\" + std::string(60, 'W');

    for (const bool withLogo : {false, true}) {
        g_hInstallerLogo.Reset(withLogo ? CreateCompatibleBitmap(CWindowDC(nullptr), 164, 60) : nullptr);
        g_szInstallerLogoSize = withLogo ? SIZE{164, 60} : SIZE{0, 0};
        for (int length = 1; length <= 40; length++) {
            // The widest letters, and a name of words that wraps.
            for (const char letter : {'W', 'i'}) {
                std::string name(length, letter);
                if (letter == 'i')
                    for (int k = 5; k < length; k += 6)
                        name[k] = ' ';
                const std::string what = name + (withLogo ? " (logo)" : "");
                for (const WORD id : {IDD_TERMS, IDD_DESTINATION, IDD_PROGRESS}) {
                    const HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), owner,
                                                         PlainPage, 0);
                    ASSERT_NE(nullptr, page) << id;
                    if (id == IDD_TERMS) {
                        LayOutTermsPage(page);
                    } else if (id == IDD_DESTINATION) {
                        LayOutDestinationPage(page, name.c_str());
                    } else {
                        LayOutProgressPage(page, nullptr);
                        ExpectWholeTexts(page, what + " progress");
                        char text[512], run[512];
                        wsprintfA(text, (const char*)complete, name.c_str());
                        wsprintfA(run, (const char*)runNow, name.c_str());
                        // The longer hint, and the check box below it.
                        const SCompletion completion = {text, folder.c_str(), restartHint, run};
                        LayOutProgressPage(page, &completion);
                    }
                    ExpectWholeTexts(page, what + " page " + std::to_string(id));
                    DestroyWindow(page);
                }
            }
        }
    }
    g_hInstallerLogo.Reset(nullptr);
    g_szInstallerLogoSize = SIZE{0, 0};
    DestroyWindow(owner);
}

// The question about programs in use: one program or a screenful, files
// whose holder has no name, a folder too long to wrap; its texts whole and
// its buttons inside the dialog, below them.
TEST(PageLayout, TheProgramsInUseQuestionFits)
{
    // Wide letters, no blank to break at; narrower than the screen.
    const std::string longFolder = "C:\\Users\\Someone\\AppData\\Local\\Programs\\" + std::string(40, 'W');
    std::string many = "These programs are running and use files in C:\\Program Files\\Hello:";
    for (int i = 0; i < 10; i++)
        many += "\n- A program with a rather long description, number " + std::to_string(i);
    many += "\n... and 4 more\n\nThese files in C:\\Program Files\\Hello are in use by a program Setup can't "
            "name:\n- readme.txt\n- docs\\guide.txt\n\nThey were asked to close but are still running: they may "
            "be waiting for an answer.";
    const struct
    {
        std::string text;
        bool canClose;
    } cases[] = {
        {"Hello Editor is running and uses files in C:\\Program Files\\Hello.", true},
        {many, true},
        {"Hello Editor is running and uses files in " + longFolder + ".", true},
        {"These files in C:\\Apps\\Hello are in use by a program Setup can't name:\n- readme.txt", false},
    };
    for (const auto& c : cases) {
        const HWND dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRAMS_IN_USE), nullptr, PlainPage, 0);
        ASSERT_NE(nullptr, dialog);
        LayOutInUseDialog(dialog, c.text.c_str(), c.canClose, false);
        ExpectWholeTexts(dialog, c.text.substr(0, 40));
        RECT text, buttons;
        GetWindowRect(GetDlgItem(dialog, IDC_IN_USE_HINT), &text);
        GetWindowRect(GetDlgItem(dialog, IDC_IN_USE_RETRY), &buttons);
        EXPECT_LE(text.bottom, buttons.top) << c.text.substr(0, 40);
        EXPECT_EQ(c.canClose, IsWindowEnabled(GetDlgItem(dialog, IDC_IN_USE_CLOSE)) != FALSE);
        DestroyWindow(dialog);
    }
}

namespace {

// Puts a built-in translation in place of the string table, as a run in
// that language does.
void TakeTranslation(const SBuiltInLanguage& language)
{
    ClearTranslatedTexts();
    Container::CArray<Translation::SEntry> entries;
    CSmallString error;
    ASSERT_TRUE(Translation::Parse(language.pszText, (unsigned)strlen(language.pszText), entries, error));
    for (unsigned i = 0; i < entries.GetSize(); i++)
        for (unsigned t = 0; t < g_nTextIds; t++)
            if (!strcmp(entries[i].strKey, g_aTextIds[t].pszName))
                SetTranslatedText(g_aTextIds[t].uId, entries[i].strText);
}

// A button's text on one line, with room for the button's edges (and the
// box of a check box or radio button) inside width pixels.
void ExpectButtonFits(HWND dialog, const wchar_t* text, int width, bool box, const std::string& what)
{
    const HDC dc = GetDC(dialog);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &rect, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    const int edges = box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 2 * GetSystemMetrics(SM_CXEDGE) + 4;
    EXPECT_LE(rect.right + edges, width) << what;
}

// Every visible push button of a dialog, as laid out.
void ExpectButtonsFit(HWND dialog, const std::string& what)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const LONG type = style & BS_TYPEMASK;
        if (lstrcmpiA(cls, "Button") || !(style & WS_VISIBLE) || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON))
            continue;
        RECT rect;
        GetClientRect(child, &rect);
        wchar_t text[256] = L"";
        GetWindowTextW(child, text, 256);
        ExpectButtonFits(dialog, text, rect.right, false, what + " button " + std::to_string(GetDlgCtrlID(child)));
    }
}

std::wstring Wide(const char* utf8)
{
    wchar_t text[1024] = L"";
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, 1024);
    return text;
}

} // namespace

// Every translation on every page, with the longest name and a logo: the
// texts whole, nothing overlapping; every button's text within its button
// (the sheet's are 50 dialog units wide, the dialogs' as their templates say).
// scripts/wine-ctest.sh runs it at 96 and at 144 DPI.
TEST(PageLayout, EveryLanguageFits)
{
    ASSERT_EQ(65001u, GetACP()) << "the test program's manifest asks for UTF-8";
    const HWND owner = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 600, 500, nullptr, nullptr, nullptr, nullptr);
    g_hInstallerLogo.Reset(CreateCompatibleBitmap(CWindowDC(nullptr), 164, 60));
    g_szInstallerLogoSize = SIZE{164, 60};
    const std::string name(40, 'W'), folder = "C:\\Program Files\\" + name;
    const struct
    {
        unsigned uText;
        int nDialogUnits;
    } buttons[] = {{IDS_I_AGREE, 50}, {IDS_NEXT, 50},   {IDS_CLOSE, 50}, {IDS_INSTALL_BUTTON, 50},
                   {IDS_BACK, 50},    {IDS_CANCEL, 50}, {IDS_OK, 50}};
    char dpi[16];
    const int screenDpi = GetDeviceCaps(CWindowDC(nullptr), LOGPIXELSX);
    wsprintfA(dpi, " at %d DPI", screenDpi);
    // scripts/wine-ctest.sh's second run sets the prefix to 144 DPI.
    if (const char* expected = getenv("KX_EXPECT_DPI")) {
        ASSERT_EQ(atoi(expected), screenDpi);
    }
    for (unsigned l = 0; l < g_nBuiltInLanguages; l++) {
        TakeTranslation(g_aBuiltInLanguages[l]);
        const std::string what = std::string(g_aBuiltInLanguages[l].pszCode) + dpi;
        for (const WORD id : {IDD_TERMS, IDD_DESTINATION, IDD_PROGRESS}) {
            const HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), owner, PlainPage, 0);
            ASSERT_NE(nullptr, page) << id;
            if (id == IDD_TERMS) {
                LayOutTermsPage(page);
                for (const auto& button : buttons) {
                    RECT rect = {0, 0, button.nDialogUnits, 14};
                    MapDialogRect(page, &rect);
                    ExpectButtonFits(page, Wide(CResString(button.uText)).c_str(), rect.right, false,
                                     what + " button " + std::to_string(button.uText));
                }
            } else if (id == IDD_DESTINATION) {
                LayOutDestinationPage(page, name.c_str());
                ExpectButtonsFit(page, what + " destination");
                for (const int radio : {IDC_DEST_ALL_USERS, IDC_DEST_JUST_ME}) {
                    RECT rect;
                    GetClientRect(GetDlgItem(page, radio), &rect);
                    wchar_t text[256] = L"";
                    GetDlgItemTextW(page, radio, text, 256);
                    ExpectButtonFits(page, text, rect.right, true, what + " choice " + std::to_string(radio));
                }
            } else {
                LayOutProgressPage(page, nullptr);
                ExpectWholeTexts(page, what + " progress");
                CSmallString text, run;
                text.Format(CResString(IDS_INSTALL_COMPLETE), name.c_str());
                run.Format(CResString(IDS_RUN_NOW), name.c_str());
                const SCompletion completion = {text, folder.c_str(), CResString(IDS_INSTALL_COMPLETE_RESTART), run};
                LayOutProgressPage(page, &completion);
            }
            ExpectWholeTexts(page, what + " page " + std::to_string(id));
            DestroyWindow(page);
        }
        const HWND inUse =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRAMS_IN_USE), nullptr, PlainPage, 0);
        CSmallString holds;
        holds.Format(CResString(IDS_IN_USE_PROGRAM), "Hello Editor", folder.c_str());
        LayOutInUseDialog(inUse, holds, true, true);
        ExpectWholeTexts(inUse, what + " programs in use");
        ExpectButtonsFit(inUse, what + " programs in use");
        DestroyWindow(inUse);
        const HWND restart =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESTART_NEEDED), nullptr, PlainPage, 0);
        CSmallString question;
        question.Format(CResString(IDS_RESTART_NEEDED_INSTALL), name.c_str());
        LayOutRestartQuestion(restart, question);
        ExpectWholeTexts(restart, what + " restart");
        ExpectButtonsFit(restart, what + " restart");
        DestroyWindow(restart);
    }
    ClearTranslatedTexts();
    g_hInstallerLogo.Reset(nullptr);
    g_szInstallerLogoSize = SIZE{0, 0};
    DestroyWindow(owner);
}
