// Near misses: the known name a publisher most likely meant.
#pragma once

// Edits (insertions, deletions, substitutions) between two names, ignoring case.
unsigned EditDistance(const char* a, const char* b);

// The nearest of the count known names: within two edits, or one of the
// two written inside the other with its letters in order ("source" and
// "src", "dir" and "directory"), the fewest edits first; null when none is.
// A name equal to a known one but for case is the one meant too.
const char* NearestName(const char* name, const char* const* known, unsigned count);
