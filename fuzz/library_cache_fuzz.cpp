// The library cache's reader: any bytes are taken whole or refused, never
// read past their end, and bytes taken are written back as a cache that
// reads the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "media/media_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cor::media_library lib;
    if (!lib.load_known(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    // Entries of one key collapse to one, so the check is a second round.
    const std::string once = lib.save_known();
    cor::media_library again;
    if (!again.load_known(once) || again.save_known() != once) __builtin_trap();
    return 0;
}
