// The libFuzzer side of every target: "-write_seeds=DIR" writes the target's seed corpus and
// exits; everything else is the fuzzer's own.
#include "FuzzSupport.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        const char* arg = (*argv)[i];
        if (std::strncmp(arg, "-write_seeds=", 13) == 0) {
            const int n = fuzz::writeSeeds(arg + 13);
            std::printf("%d seeds written to %s\n", n, arg + 13);
            std::exit(0);
        }
    }
    return 0;
}
