// Runs of the application that were cut short (a crash, a kill, a power
// cut), found by their journals (RunJournal.h) when an installer or an
// uninstaller of it starts: an installation is undone (or, once it had
// begun to commit, finished), an uninstall finished. A journal whose run
// still holds it is left alone, and so is any journal the registry doesn't
// name; the setup log says what was done.
#pragma once

#include "RunJournal.h"
#include "SmallString.h"

// The runs that count as this application's: a journal's app, app-name or
// folder is one of these (empty ones match nothing).
struct SRecoveryScope
{
    CSmallString strApp;    // the uninstall key name, else app-name
    CSmallString strName;   // app-name
    CSmallString strFolder; // the installation's folder
};

// Undoes or finishes every interrupted run of scope. resume: given by an
// uninstaller of scope.strFolder, which finishes an interrupted uninstall
// of its own folder itself (CSinReader::FinishUninstall): that one is
// handed over in it (its journal open), not run.
void RecoverInterruptedRuns(const SRecoveryScope& scope, SUninstallRun* resume);

// The folders and keys the journals of other installations of scope (their
// runs alive or not) announce they create, as written there. One of them
// found by an installation is not something that was there before it: it
// is this application's, made by a run that may yet be undone.
Container::CArray<CSmallString> GetCreatedByOtherRuns(const SRecoveryScope& scope, const CSmallString& ownFolder);
