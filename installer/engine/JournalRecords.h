// The records of a run's journal (RunJournal.h), by their first field:
// written by the runs, read back by the next run after one was cut short.
#pragma once

namespace JournalRecord {
// Before a change.
const char kFile[] = "file";     // path, the name in the run folder of the file that was there (or empty)
const char kPlanned[] = "planned"; // path: a file to be made new where nothing stood, announced ahead
const char kFolder[] = "folder"; // path
const char kKey[] = "key";       // key
const char kValue[] = "value";   // key, name, existed (1/0), type, data (hex): the value before
const char kDll[] = "dll";       // path
const char kCommit[] = "commit"; // the run keeps everything from here on
const char kKeep[] = "keep";     // a file set aside (its name in the run folder), where it is kept once committed
const char kDrop[] = "drop";     // the administrators' copy of an earlier uninstall log, to go once committed
const char kSeen[] = "seen";     // like made: the installation's uninstall log as the run found it (empty: none)
// Uninstall: the saved log's trust (1/0), the administrators' copy, its entry's key and view.
const char kLog[] = "log";
// After a change.
const char kMade[] = "made";   // path, volume, index (hex), size once written whole
const char kWrote[] = "wrote"; // key, name, exists (1/0), type, data (hex): what the value holds now
} // namespace JournalRecord
