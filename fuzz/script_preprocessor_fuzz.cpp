// The custom scripts' reader and the preparation of every stored script
// on arbitrary texts: both must end without a fault, and reading with the
// trace of where each byte came from must give what reading without it
// gives, with every traced offset inside the text read. The first byte
// chooses trim mode.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "script/preprocessor.h"
#include "script/user_functions.h"

namespace vesk {
namespace {
ordered_map& last_table() {
    static ordered_map t;
    return t;
}
}  // namespace

// The reader hands its functions here; the fuzzer keeps them to compare.
void set_user_functions(ordered_map table) { last_table() = std::move(table); }

}  // namespace vesk

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void check_origins(const vesk::prepared_script& p, size_t source_size) {
    check(p.origin.size() == p.text.size());
    for (const uint32_t at : p.origin) check(at < source_size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool trim = data[0] & 1;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    vesk::custom_scripts_error traced_error, plain_error;
    std::vector<vesk::traced_function> functions;
    const bool traced_ok = vesk::compile_custom_scripts(text, trim, &traced_error, &functions);
    const bool plain_ok = vesk::compile_custom_scripts(text, trim, &plain_error, nullptr);
    check(traced_ok == plain_ok);
    if (!traced_ok) {
        check(traced_error.offset == plain_error.offset);
        check(traced_error.message == plain_error.message);
        check(traced_error.offset <= text.size());
        return 0;
    }
    const vesk::ordered_map& plain_table = vesk::last_table();
    check(functions.size() == plain_table.size());
    for (const vesk::traced_function& f : functions) {
        const std::string* body = plain_table.find(f.name);
        check(body && *body == f.body.text);
        check_origins(f.body, text.size());
    }

    const vesk::prepared_script prepared = vesk::prepare_traced(text, trim);
    check(prepared.text == vesk::prepare_script(text, trim));
    check_origins(prepared, text.size());
    return 0;
}
