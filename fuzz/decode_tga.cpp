// Fuzz target: the TGA reader on arbitrary bytes, 1D and 2D, into every format a decoder fills.
#include <cstddef>
#include <cstdint>

#include "core/message_hook.h"
#include "image/tga_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (qv3rn::setMessageHook([](const std::string&, const std::string&) {}), true);
    (void)quiet;
    if (size < 1) return 0;
    // The first byte picks the format (-1 .. 9) and the variant; the rest is the file.
    const auto format = static_cast<qv3rn::ImageFormat>(static_cast<int>(data[0] % 11) - 1);
    qv3rn::TgaDecoder decoder;
    if (data[0] & 0x80)
        decoder.decode1D(data + 1, size - 1, format);
    else
        decoder.decode2D(data + 1, size - 1, format);
    return 0;
}
