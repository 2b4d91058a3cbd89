// FUZZ_CHECK: a failed check aborts, which libFuzzer and the replay driver both report as a
// crash with its input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(c)                                                                              \
    ((c) ? (void)0                                                                                 \
         : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #c),             \
            std::abort()))
