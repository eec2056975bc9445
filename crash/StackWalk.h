// Reading a possibly damaged stack without faulting again.
#pragma once

#include <windows.h>

// size bytes at address are committed, readable and not a guard page.
bool IsReadableMemory(DWORD address, DWORD size);

// address lies in executable code of a loaded module.
bool IsCodeAddress(DWORD address);

// The return addresses of the EBP frame chain, starting with eip. Stops at
// the first frame that is unaligned, unreadable or not above the last one.
// Returns how many addresses were stored (at most max).
unsigned WalkFrames(DWORD eip, DWORD ebp, DWORD* addresses, unsigned max);
