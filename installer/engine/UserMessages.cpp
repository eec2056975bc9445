#include "UserMessages.h"

#include "DllSearch.h"
#include "Language.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "resource.h"
#include "win32/ResString.h"

static KxMessageBoxHook g_pfnMessageBoxHook = nullptr;
static bool g_bUnattended = false;

void SetMessageBoxHook(KxMessageBoxHook hook) { g_pfnMessageBoxHook = hook; }

void SetUnattended(bool unattended) { g_bUnattended = unattended; }

bool IsUnattended() { return g_bUnattended; }

static const char* AnswerName(int answer)
{
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    case IDRETRY:
        return "Retry";
    }
    return "?";
}

// What an unattended run answers: never the choice that goes on regardless.
static int SafeAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDNO;
    case MB_RETRYCANCEL:
    case MB_OKCANCEL:
        return IDCANCEL;
    }
    return IDOK;
}

int KxMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    LogLine("Message [%s]: %s", caption ? caption : "", text ? text : "");
    int answer;
    if (g_pfnMessageBoxHook)
        answer = g_pfnMessageBoxHook(owner, text, caption, type);
    else if (g_bUnattended)
        answer = SafeAnswer(type);
    else {
        PreloadWindowDlls();
        answer = MessageBoxA(owner, text, caption, type | (IsRunRightToLeft() ? MB_RTLREADING | MB_RIGHT : 0));
    }
    if ((type & MB_TYPEMASK) != MB_OK)
        LogLine("Answer: %s", AnswerName(answer));
    return answer;
}

CSmallString WithSupportAddress(CSinReader& reader, const char* text)
{
    CSmallString url, message(text);
    if (reader.GetInstallItem(Setting::SupportUrl, url) && !url.IsEmpty()) {
        CSmallString line;
        line.Format(CResString(IDS_SUPPORT_CONTACT), url.GetText());
        message += line;
    }
    return message;
}

void Error(const char* text)
{
    CResString caption(IDS_SETUP_ERROR);
    KxMessageBox(nullptr, text, caption, MB_ICONWARNING | MB_OK);
}

CSmallString GetInstallerCaption(CSinReader& reader)
{
    CSmallString caption, appName;
    if (reader.GetInstallItem(Setting::InstallerCaption, caption) && !caption.IsEmpty())
        return caption;
    reader.GetShownAppName(appName);
    if (appName.IsEmpty())
        return CSmallString(CResString(IDS_USAGE_TITLE));
    caption.Format(CResString(IDS_DEFAULT_CAPTION), appName.GetText());
    return caption;
}

CSmallString GetUninstallCaption(const char* appName)
{
    CSmallString caption;
    caption.Format(CResString(IDS_UNINSTALL_TITLE), appName);
    return caption;
}

void TellInProgress(const char* appName)
{
    CSmallString message;
    message.Format(CResString(IDS_IN_PROGRESS), appName && *appName ? appName : "the application");
    LogLine("Another run of %s holds it: nothing was done", appName && *appName ? appName : "the application");
    Error(message);
}


CSmallString ListForUser(const Container::CArray<CSmallString>& items)
{
    const unsigned shown = items.GetSize() < 12 ? items.GetSize() : 12;
    CSmallString list;
    for (unsigned i = 0; i < shown; i++)
        list += CSmallString("- ") + items[i] + "\n";
    if (shown < items.GetSize())
        list.Addf("... and %u more (see the setup log)\n", items.GetSize() - shown);
    return list;
}
