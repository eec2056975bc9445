// Files that only the next restart can replace or remove: a program holds
// them and won't let go. The system does it at restart (MoveFileEx with
// MOVEFILE_DELAY_UNTIL_REBOOT, which needs administrator rights), and only
// where the run may: /REBOOTOK, or finish-at-restart in the section run.
#pragma once

class CSinReader;

// /REBOOTOK on the command line.
void AllowFinishAtRestart(bool allow);
// The switch, or a yes for finish-at-restart in reader's current section.
bool MayFinishAtRestart(CSinReader& reader);

// The user chose it in the question about programs in use: the files they
// hold aren't asked about again one by one.
void ChooseFinishAtRestart();
bool IsFinishAtRestartChosen();

// The file at from takes path's place at restart (from: beside path, on
// its volume). False, logged, when the system refuses.
bool ReplaceAtRestart(const char* from, const char* path);
// The file, or the empty folder, at path goes at restart.
bool RemoveAtRestart(const char* path);
// How many replacements and removals this run left to the restart.
unsigned GetLeftForRestart();
