// A broken invariant stops the fuzzer at once, with the input that broke it.
#pragma once

namespace dorvex::fuzz {

inline void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace dorvex::fuzz
