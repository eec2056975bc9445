// run-command's fail-on-exit: which exit codes of a program mean success.
// Portable, so that the packer's check refuses what the engine can't read.
#pragma once

#include "Containers.h"
#include "SmallString.h"

// "nonzero" or "yes" (any case): 0 alone; else a list of whole numbers
// (decimal, or hex after 0x) separated by commas or blanks, "0, 3010".
// False with why for anything else, or an empty list.
bool ParseSuccessCodes(const char* text, Container::CArray<unsigned long>& codes, CSmallString& why);

bool IsSuccessCode(const Container::CArray<unsigned long>& codes, unsigned long code);
