// Version texts as publishers write them ("2.10", "1.0.3b"): compared part
// by part, numbers as numbers. Portable.
#pragma once

// Negative when a is older than b, 0 when the same, positive when newer.
// Parts are split at '.', '-' and '_'; a missing part counts as 0, so "1.0"
// equals "1"; parts that are not numbers compare as text, ignoring case.
int CompareVersions(const char* a, const char* b);
