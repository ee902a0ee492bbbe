// The Host's settings store reader on arbitrary bytes: it must answer,
// never crash, and the entries it keeps must write back to a sound file
// that reads the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "corvina500/config/config_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const cor::config_decode_result read = cor::decode_config_store(bytes);
    const cor::config_decode_result again =
        cor::decode_config_store(cor::encode_config_store(read.entries));
    if (again.damaged() || again.entries != read.entries) std::abort();
    return 0;
}
