#include "config_codec.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "sdk/cfg_var.h"

namespace cor {
namespace {

constexpr size_t header_size = 20;
// GUID, length and checksum around each value.
constexpr size_t entry_overhead = 24;
// How many bytes one resynchronisation may checksum before it gives up, so
// a hostile file cannot make loading quadratic.
constexpr size_t resync_budget = size_t{16} << 20;

constexpr std::array<uint32_t, 256> make_crc_table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> crc_table = make_crc_table();

uint32_t load_u32(std::string_view bytes, size_t pos) noexcept {
    uint32_t v = 0;
    raw_reader in(bytes.substr(pos, 4));
    return in.read_u32(v) ? v : 0;
}

struct entry_view {
    guid id{};
    std::string_view value;
    size_t size = 0;
};

// A complete entry with a sound checksum at `pos`. Charges the bytes it
// checksums to `budget` when one is given.
bool entry_at(std::string_view file, size_t pos, entry_view& out, size_t* budget = nullptr) {
    if (pos > file.size() || file.size() - pos < entry_overhead) return false;
    const uint32_t length = load_u32(file, pos + 16);
    if (length > file.size() - pos - entry_overhead) return false;
    const std::string_view body = file.substr(pos, 20 + size_t{length});
    if (budget) {
        if (*budget < body.size()) {
            *budget = 0;
            return false;
        }
        *budget -= body.size();
    }
    if (crc32(body) != load_u32(file, pos + body.size())) return false;
    raw_reader in(body);
    if (!in.read_guid(out.id)) return false;
    out.value = body.substr(20);
    out.size = body.size() + 4;
    return true;
}

// Where reading can go on after the damaged entry at `pos`: the earliest
// sound entry, or the end of the file when the damaged entry's own length
// reaches it exactly. npos when nothing sound follows.
size_t resync_after(std::string_view file, size_t pos) {
    entry_view e;
    size_t trusted = std::string_view::npos;
    if (file.size() - pos >= entry_overhead) {
        const uint32_t length = load_u32(file, pos + 16);
        if (length <= file.size() - pos - entry_overhead) {
            const size_t skip = pos + entry_overhead + length;
            if (skip == file.size() || entry_at(file, skip, e)) trusted = skip;
        }
    }
    size_t budget = resync_budget;
    for (size_t q = pos + 1; q < trusted && q + entry_overhead <= file.size() && budget > 0; ++q)
        if (entry_at(file, q, e, &budget)) return q;
    return trusted;
}

}  // namespace

uint32_t crc32(std::string_view bytes, uint32_t crc) noexcept {
    crc = ~crc;
    for (const char ch : bytes)
        crc = crc_table[(crc ^ static_cast<unsigned char>(ch)) & 0xff] ^ (crc >> 8);
    return ~crc;
}

std::string encode_config_store(const config_entries& entries) {
    if (entries.size() > UINT32_MAX) throw std::length_error("too many configuration entries");
    std::string out(config_store_magic);
    raw_put_u32(out, config_store_version);
    raw_put_u32(out, static_cast<uint32_t>(entries.size()));
    raw_put_u32(out, crc32(out));
    for (const auto& [id, value] : entries) {
        if (value.size() > UINT32_MAX - entry_overhead)
            throw std::length_error("configuration value too large");
        const size_t start = out.size();
        raw_put_guid(out, id);
        raw_put_text(out, value);
        raw_put_u32(out, crc32(std::string_view(out).substr(start)));
    }
    return out;
}

config_decode_result decode_config_store(std::string_view file) {
    config_decode_result r;
    if (file.empty()) {
        r.problem = "the file is empty";
        return r;
    }
    const size_t magic_seen = std::min(file.size(), config_store_magic.size());
    if (file.substr(0, magic_seen) != config_store_magic.substr(0, magic_seen)) {
        r.problem = "not a configuration store (wrong signature)";
        return r;
    }
    if (file.size() < header_size) {
        r.problem = "the header is cut short";
        return r;
    }
    size_t problems = 0;
    const auto note = [&](std::string what) {
        if (problems++ == 0) r.problem = std::move(what);
    };
    const uint32_t version = load_u32(file, 8);
    const uint32_t count = load_u32(file, 12);
    if (crc32(file.substr(0, 16)) == load_u32(file, 16)) {
        if (version != config_store_version) {
            r.problem = "unsupported format version " + std::to_string(version);
            return r;
        }
        r.expected_count = count;
    } else {
        // A damaged header says nothing reliable; the entries vouch for
        // themselves, so read them as the one version there is.
        note("the header is damaged");
    }

    size_t pos = header_size;
    while (pos < file.size()) {
        entry_view e;
        if (entry_at(file, pos, e)) {
            r.entries.insert_or_assign(e.id, std::string(e.value));
            ++r.entries_read;
            pos += e.size;
            continue;
        }
        note("entry " + std::to_string(r.entries_read + 1) + " (at byte " + std::to_string(pos) +
             ") is damaged or cut short");
        pos = resync_after(file, pos);
        if (pos == std::string_view::npos) break;
    }
    if (problems == 0 && r.expected_count && r.entries_read != *r.expected_count)
        note(r.entries_read < *r.expected_count ? "the file ends early"
                                                : "the header's entry count is wrong");
    if (problems > 1)
        r.problem += " (and " + std::to_string(problems - 1) +
                     (problems == 2 ? " more damaged place)" : " more damaged places)");
    return r;
}

}  // namespace cor
