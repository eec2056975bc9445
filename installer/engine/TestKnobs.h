// Knobs for the end-to-end tests, which users never set.
#pragma once

// KX_TEST_KILL=<point>[:<n>] ends the program at once, as a kill from
// outside would (TerminateProcess: nothing is undone, nothing flushed),
// the n-th time it reaches point (the first time without n). Points:
// "file" (a file written whole), "value" (a registry value written),
// "uninstaller" (uninstall.exe written, before it takes its name),
// "commit" (the installation has begun to commit) and "command" (a command
// of the section being run, install or uninstall, has run).
void EndIfAsked(const char* point);
