// The same targets without libFuzzer (any compiler): runs every seed, then a fixed number of
// deterministic mutations of them (byte flips, overwrites, cuts and splices), then any files
// named on the command line. A broken property aborts as it does under the fuzzer, leaving the
// input that broke it in ./replay-finding.
//   fuzz_<target>_replay [--mutations N | --files-only] [--write-seeds DIR] [FILE...]
#include "FuzzSupport.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

namespace {
// The input being run, written to ./replay-finding when a property aborts the run.
const fuzz::Bytes* running = nullptr;

extern "C" void saveFinding(int sig) {
    if (running) {
        const int fd = ::open("replay-finding", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t n = ::write(fd, running->data(), running->size());
            ::close(fd);
        }
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void runOne(const fuzz::Bytes& b) {
    running = &b;
    LLVMFuzzerTestOneInput(b.empty() ? nullptr : b.data(), b.size());
    running = nullptr;
}

fuzz::Bytes mutate(fuzz::Bytes b, std::mt19937& rng) {
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
        const size_t at = b.empty() ? 0 : rng() % b.size();
        switch (rng() % 6) {
        case 0:
            if (!b.empty())
                b[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1:
            if (!b.empty())
                b[at] = static_cast<uint8_t>(rng());
            break;
        case 2: // a word of interesting bits: 0, -1, the float exponent of NaN and inf
            for (size_t k = 0; k < 4 && at + k < b.size(); ++k)
                b[at + k] = static_cast<uint8_t>((rng() % 3 == 0) ? 0xff : (rng() % 2) ? 0x7f : 0);
            break;
        case 3:
            b.resize(at);
            break;
        case 4:
            b.insert(b.begin() + static_cast<long>(at), static_cast<uint8_t>(rng()));
            break;
        default:
            if (!b.empty())
                b.erase(b.begin() + static_cast<long>(at));
            break;
        }
    }
    return b;
}
} // namespace

int main(int argc, char** argv) {
    std::signal(SIGABRT, saveFinding);
    std::signal(SIGSEGV, saveFinding);
    long mutations = 200;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--files-only") {
            mutations = -1;
        } else if (a == "--mutations" && i + 1 < argc) {
            mutations = std::strtol(argv[++i], nullptr, 10);
        } else if (a == "--write-seeds" && i + 1 < argc) {
            std::printf("%d seeds written\n", fuzz::writeSeeds(argv[++i]));
            return 0;
        } else {
            files.push_back(a);
        }
    }
    const auto seeds = mutations < 0 ? std::vector<fuzz::Bytes>{} : fuzz::seeds();
    for (const auto& s : seeds)
        runOne(s);
    std::mt19937 rng(12345);
    for (long i = 0; i < mutations && !seeds.empty(); ++i)
        runOne(mutate(seeds[static_cast<size_t>(i) % seeds.size()], rng));
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        runOne(fuzz::Bytes(std::istreambuf_iterator<char>(in), {}));
    }
    std::printf("%zu seeds, %ld mutations, %zu files: every property held\n", seeds.size(),
                mutations, files.size());
    return 0;
}
