// After a run that Windows finishes at its next restart: the wizard asks
// Restart now or Later; an unattended run never restarts (its exit code
// says a restart is needed).
#pragma once

#include <windows.h>

// The question's dialog (IDD_RESTART_NEEDED) with its text, its buttons in
// the run's language and everything fitted.
void LayOutRestartQuestion(HWND dialog, const char* text);

// /NORESTART: the question isn't asked (the run's texts and exit code
// still say that a restart is needed).
void SetNeverRestart(bool never);

// Whether OfferWindowsRestart asks (neither unattended nor /NORESTART).
bool IsRestartOffered();

// installed: after an installation (else an uninstallation); more: lines
// told before the question. Restarts Windows when the user chooses Restart
// now.
void OfferWindowsRestart(HWND owner, const char* caption, const char* appName, bool installed,
                         const char* more = "");
