// What a fuzz target does when a property it checks does not hold: says
// which one and aborts, so libFuzzer (or the replay) keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void FuzzCheck(bool bHolds, const char* pszWhat)
{
    if (!bHolds) {
        std::fprintf(stderr, "fuzz property broken: %s\n", pszWhat);
        std::abort();
    }
}
