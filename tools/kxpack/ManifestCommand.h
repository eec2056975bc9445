// kxpack manifest: winget's manifest and a Chocolatey package of a built
// installer, from its packed script and its bytes.
#pragma once

#include <cstdio>

#include "ManifestOptions.h"

// Writes what the options ask for. Exit codes: 0 written, 2 nothing
// written (an installer that can't be read or is damaged, a text that is
// missing or that a package manager would refuse, an output in the way).
int RunManifest(const SManifestOptions& options, FILE* out, FILE* err);
