#pragma once

#include <cstddef>

// The longest input the text-file targets take; scripts/fuzz.sh passes it as -max_len too.
inline constexpr std::size_t kMaxFuzzInput = 4096;
