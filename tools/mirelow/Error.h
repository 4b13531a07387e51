// The renderer's two kinds of failure: a command line it cannot use (exit status 2, usage shown)
// and everything else that stops a run (exit status 1). Both carry a one-line message.
#pragma once

#include <stdexcept>
#include <string>

namespace mirelow {

struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct UsageError : Error {
    using Error::Error;
};

} // namespace mirelow
