#include "e2e/store_writer.h"

namespace cor_test {
namespace {

uint32_t crc32(const std::string& data) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

void u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

int hex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// The platform layout: the first three groups little-endian, the rest in order.
std::string guid_bytes(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != '-') digits += c;
    std::string raw;
    for (size_t i = 0; i < 32; i += 2)
        raw += static_cast<char>(hex(digits[i]) * 16 + hex(digits[i + 1]));
    std::string out;
    out += {raw[3], raw[2], raw[1], raw[0], raw[5], raw[4], raw[7], raw[6]};
    out += raw.substr(8);
    return out;
}

}  // namespace

void store_writer::int32(const std::string& guid, int32_t value) {
    std::string v;
    u32(v, static_cast<uint32_t>(value));
    add(guid, v);
}

void store_writer::text_list(const std::string& guid, const std::vector<std::string>& items) {
    std::string v;
    u32(v, static_cast<uint32_t>(items.size()));
    for (const auto& s : items) {
        u32(v, static_cast<uint32_t>(s.size()));
        v += s;
    }
    add(guid, v);
}

void store_writer::guid_list(const std::string& guid, const std::vector<std::string>& items) {
    std::string v;
    u32(v, static_cast<uint32_t>(items.size()));
    for (const auto& g : items) v += guid_bytes(g);
    add(guid, v);
}

std::string store_writer::bytes() const {
    std::string out = "CORVCFG\x1a";
    u32(out, 1);
    u32(out, static_cast<uint32_t>(entries_.size()));
    u32(out, crc32(out));
    for (const auto& [guid, value] : entries_) {
        std::string entry = guid_bytes(guid);
        u32(entry, static_cast<uint32_t>(value.size()));
        entry += value;
        const uint32_t crc = crc32(entry);
        out += entry;
        u32(out, crc);
    }
    return out;
}

}  // namespace cor_test
