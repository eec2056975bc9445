#include "Spelling.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Platform.h"

namespace {

bool Same(char a, char b) { return Mb::ToUpper((unsigned char)a) == Mb::ToUpper((unsigned char)b); }

// Every letter of shorter in longer, in order; three or more of them, so
// that "id" isn't read into every name with an i and a d.
bool Abbreviates(const char* shorter, const char* longer)
{
    if (strlen(shorter) < 3)
        return false;
    for (; *longer && *shorter; longer++)
        if (Same(*longer, *shorter))
            shorter++;
    return *shorter == 0;
}

} // namespace

unsigned EditDistance(const char* a, const char* b)
{
    const size_t n = strlen(a), m = strlen(b);
    std::vector<unsigned> row(m + 1);
    for (size_t j = 0; j <= m; j++)
        row[j] = (unsigned)j;
    for (size_t i = 1; i <= n; i++) {
        unsigned diagonal = row[0];
        row[0] = (unsigned)i;
        for (size_t j = 1; j <= m; j++) {
            const unsigned above = row[j];
            row[j] = std::min(std::min(row[j] + 1, row[j - 1] + 1), diagonal + (Same(a[i - 1], b[j - 1]) ? 0 : 1));
            diagonal = above;
        }
    }
    return row[m];
}

const char* NearestName(const char* name, const char* const* known, unsigned count)
{
    const char* best = nullptr;
    unsigned bestDistance = ~0u;
    const size_t length = strlen(name);
    for (unsigned i = 0; i < count; i++) {
        const unsigned d = EditDistance(name, known[i]);
        // Two edits to a name of two letters is any other name of two.
        const bool near = (d <= 2 && d < length) || Abbreviates(name, known[i]) || Abbreviates(known[i], name);
        if (near && d < bestDistance) {
            best = known[i];
            bestDistance = d;
        }
    }
    return best;
}
