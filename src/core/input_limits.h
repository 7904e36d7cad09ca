// input_limits.h -- how much memory reading one input may take beyond what its decoded result needs.
#pragma once

#include <cstddef>

namespace qv3rn {

// Working memory a reader may use while it reads one input (a file, an archive entry), whatever the input
// claims. What the decoded result itself needs (an image's pixels, a mesh's arrays) comes on top, but only once
// the reader has checked the header's claim against the bytes the input really has.
inline constexpr std::size_t readingAllowance = std::size_t{64} << 20;

// Deflate cannot expand data by more than about 1032 to 1, so inflated data claimed beyond this ratio of the
// compressed bytes is a lie that can be refused before anything is allocated for it.
inline constexpr std::size_t maxDeflateRatio = 1040;

}  // namespace qv3rn
