// $dsp_save, $dsp_load, $hash_save, $hash_load: the Host's DSP chain and the
// $hash store in files of their own, each headed by an identifier and a
// count, integers little-endian.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "functions/hash_store.h"
#include "host/file_write.h"
#include "host/host_services.h"
#include "host/script_path.h"
#include "script/error_report.h"
#include "script/function_table.h"

namespace vesk {
namespace {

// {F018C31A-0F3D-4700-928E-F90FE5EBC1D4} and {E986913D-D6CD-4049-B092-70EE70957D55}
// in the platform's in-memory layout.
constexpr std::string_view dsp_file_id{
    "\x1A\xC3\x18\xF0\x3D\x0F\x00\x47\x92\x8E\xF9\x0F\xE5\xEB\xC1\xD4", 16};
constexpr std::string_view hash_file_id{
    "\x3D\x91\x86\xE9\xCD\xD6\x49\x40\xB0\x92\x70\xEE\x70\x95\x7D\x55", 16};
static_assert(dsp_file_id.size() == 16 && hash_file_id.size() == 16);

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put_block(std::string& out, std::string_view bytes) {
    put_u32(out, static_cast<uint32_t>(bytes.size()));
    out += bytes;
}
void put_guid(std::string& out, const cor::guid& g) {
    out.append(reinterpret_cast<const char*>(&g), sizeof g);
}

// Reads a file of this family; every read is checked against what is left.
class file_reader {
public:
    explicit file_reader(std::string_view bytes) : rest_(bytes) {}
    bool u32(uint32_t& v) {
        if (rest_.size() < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(rest_[i]);
        rest_.remove_prefix(4);
        return true;
    }
    bool bytes(size_t n, std::string_view& out) {
        if (rest_.size() < n) return false;
        out = rest_.substr(0, n);
        rest_.remove_prefix(n);
        return true;
    }
    bool block(std::string_view& out) {
        uint32_t n = 0;
        return u32(n) && bytes(n, out);
    }

private:
    std::string_view rest_;
};

// The file's records after its identifier and count; false when the file
// cannot be read or has another identifier.
bool open_store_file(func_call& c, std::string_view id, std::string& bytes, file_reader& in,
                     uint32_t& count) {
    std::string_view head;
    if (!read_file(script_path(c.param(0)), bytes)) return false;
    in = file_reader(bytes);
    return in.bytes(16, head) && head == id && in.u32(count);
}

void fn_hash_save(func_call& c) {
    if (!c.require_at_least(2)) return;
    const hash_store& store = hash_store::instance();
    std::string out(hash_file_id);
    put_u32(out, static_cast<uint32_t>(c.count() - 1));
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string key(c.param(i));
        const std::string* value = store.get(key);
        put_block(out, key);
        put_block(out, value ? std::string_view(*value) : std::string_view());
    }
    if (!replace_file(script_path(c.param(0)), out)) {
        c.fail(err_low, "%s: write error");
        return;
    }
    c.set_found(true);
}

void fn_hash_load(func_call& c) {
    if (!c.require_count(1)) return;
    std::string bytes;
    file_reader in{{}};
    uint32_t count = 0;
    if (!open_store_file(c, hash_file_id, bytes, in, count)) {
        c.fail(err_low, "%s: file read error");
        return;
    }
    hash_store& store = hash_store::instance();
    for (uint32_t i = 0; i < count; ++i) {
        std::string_view key, value;
        if (!in.block(key) || !in.block(value)) {
            c.fail(err_low, "%s: file read error");
            return;
        }
        store.set(key, std::string(value));
    }
    c.set_found(true);
}

void fn_dsp_save(func_call& c) {
    if (!c.require_count(1)) return;
    cor::dsp_config_manager* dsp = host::dsp();
    if (!dsp) {
        c.fail(err_low, "%s: file write error");
        return;
    }
    const size_t count = dsp->get_preset_count();
    std::string out(dsp_file_id);
    put_u32(out, static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        cor::guid owner{};
        cor::string_out data;
        if (!dsp->get_preset(i, owner, data)) {
            c.fail(err_low, "%s: file write error");
            return;
        }
        put_guid(out, owner);
        put_block(out, data.text);
    }
    if (!replace_file(script_path(c.param(0)), out)) {
        c.fail(err_low, "%s: file write error");
        return;
    }
    c.set_found(true);
}

void fn_dsp_load(func_call& c) {
    if (!c.require_count(1)) return;
    std::string bytes;
    file_reader in{{}};
    uint32_t count = 0;
    cor::dsp_config_manager* dsp = host::dsp();
    if (!dsp || !open_store_file(c, dsp_file_id, bytes, in, count)) {
        c.fail(err_low, "%s: file read error");
        return;
    }
    // The whole file is read before the chain changes, so a short file
    // leaves it as it was.
    std::vector<cor::dsp_preset_view> presets;
    for (uint32_t i = 0; i < count; ++i) {
        std::string_view owner, data;
        if (!in.bytes(16, owner) || !in.block(data)) {
            c.fail(err_low, "%s: file read error");
            return;
        }
        cor::dsp_preset_view p{};
        std::memcpy(&p.owner, owner.data(), 16);
        p.data = reinterpret_cast<const uint8_t*>(data.data());
        p.size = data.size();
        presets.push_back(p);
    }
    if (!dsp->set_chain(presets.data(), presets.size())) {
        c.fail(err_low, "%s: file read error");
        return;
    }
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"hash_save", fn_hash_save},
    {"hash_load", fn_hash_load},
    {"dsp_save", fn_dsp_save},
    {"dsp_load", fn_dsp_load},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
