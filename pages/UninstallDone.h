// The end of an uninstall that went through, told once: "<app-name> was
// removed from your computer.", with what stayed and why. Where Windows
// finishes it at restart and the user is asked to restart, that question
// carries the same list instead.
#pragma once

// leftBehind: WasRemoved's lines (may be empty). Logged only when unattended.
void TellUninstalled(const char* appName, const char* leftBehind);
