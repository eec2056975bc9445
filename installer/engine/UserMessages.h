// The message boxes the installer shows. Tests answer them through a hook
// instead of a window; users see exactly what MessageBoxA shows. Every
// message and its answer also goes to the setup log.
#pragma once

#include <windows.h>

#include "Containers.h"
#include "SmallString.h"

class CSinReader;

typedef int (*KxMessageBoxHook)(HWND owner, const char* text, const char* caption, UINT type);

// Null restores the real message box.
void SetMessageBoxHook(KxMessageBoxHook hook);

// Unattended runs show no window at all: each message is only logged and
// answered with the choice that changes nothing (No, Cancel, OK).
void SetUnattended(bool unattended);
bool IsUnattended();

int KxMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// A warning without owner, captioned "Setup Error" (string 14), OK only.
void Error(const char* text);

// "Another installation or uninstallation of <app> is running": logged,
// and shown unless unattended.
void TellInProgress(const char* appName);

// The installer's title: the "installer-caption" setting, else
// "<app-name> Setup". Questions carry it; errors say "Setup Error".
CSmallString GetInstallerCaption(CSinReader& reader);

// One line per item ("- item"), at most a screenful: the setup log has them all.
CSmallString ListForUser(const Container::CArray<CSmallString>& items);

// The uninstaller's title: "<app-name> Uninstall".
CSmallString GetUninstallCaption(const char* appName);

// text followed by the publisher's "support-url" setting, when the script
// gives one.
CSmallString WithSupportAddress(CSinReader& reader, const char* text);
