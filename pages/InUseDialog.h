// The question about programs in use: a dialog of its own, so that its
// answers read as what they do (Close them, Retry, Cancel).
#pragma once

#include <windows.h>

#include "RunningPrograms.h"

// IDC_IN_USE_CLOSE, IDC_IN_USE_RETRY, IDC_IN_USE_AT_RESTART (offered
// only with atRestart: the run may finish at restart) or IDCANCEL.
// notClosed: the programs were asked to close before and are still there.
int AskAboutProgramsInUse(HWND owner, const char* caption, const char* folder, const CRunningPrograms& programs,
                          bool notClosed, bool atRestart);

// The dialog's texts for what programs found, as AskAboutProgramsInUse
// shows them (and the setup log of an unattended run says).
CSmallString DescribeProgramsInUse(const char* folder, const CRunningPrograms& programs, bool notClosed);

// The dialog laid out for its texts, as AskAboutProgramsInUse makes it:
// the texts fitted, the buttons below them, the dialog around them.
void LayOutInUseDialog(HWND dialog, const char* text, bool canClose, bool atRestart);
