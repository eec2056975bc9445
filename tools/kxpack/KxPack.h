// The packer's command line, callable in-process so tests need no shell.
#pragma once

#include <cstdio>

// Exit codes: 0 success, 1 failure (bad package, unreadable input, script
// errors, a refusal to overwrite), 2 bad command line. check has its own,
// and manifest gives 2 for whatever it refuses.
int KxPackMain(int argc, char** argv, FILE* out, FILE* err);
