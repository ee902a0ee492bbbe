#include "e2e/store_writer.h"

#include "support/case_table.h"

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

}  // namespace

// Windows runs little-endian only.
std::string le32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// The platform layout: the first three groups little-endian, the rest in order.
std::string guid_bytes(const std::string& text) {
    std::string raw;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        if (text[i] == '-') ++i;
        raw += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    }
    return std::string{raw[3], raw[2], raw[1], raw[0], raw[5], raw[4], raw[7], raw[6]} +
           raw.substr(8);
}

void store_writer::text_list(const std::string& guid, const std::vector<std::string>& items) {
    std::string v = le32(static_cast<uint32_t>(items.size()));
    for (const auto& s : items) v += le32(static_cast<uint32_t>(s.size())) + s;
    text(guid, v);
}

void store_writer::guid_list(const std::string& guid, const std::vector<std::string>& items) {
    std::string v = le32(static_cast<uint32_t>(items.size()));
    for (const auto& g : items) v += guid_bytes(g);
    text(guid, v);
}

std::string store_writer::bytes() const {
    std::string out = "CORVCFG\x1a" + le32(1) + le32(static_cast<uint32_t>(entries_.size()));
    out += le32(crc32(out));
    for (const auto& [guid, value] : entries_) {
        const std::string entry =
            guid_bytes(guid) + le32(static_cast<uint32_t>(value.size())) + value;
        out += entry + le32(crc32(entry));
    }
    return out;
}

store_writer profile_store(const std::string& name) {
    store_writer store;
    for (const auto& row : read_case_table("e2e/data/profiles.tsv", 5)) {
        const std::string &guid = row.fields[2], &kind = row.fields[3], &value = row.fields[4];
        if (row.fields[0] != name) continue;
        if (kind == "text")
            store.text(guid, value);
        else if (kind == "texts")
            store.text_list(guid, case_lines(value));
        else if (kind == "guids")
            store.guid_list(guid, case_lines(value));
        else
            ADD_FAILURE() << row.where << ": no kind " << kind;
    }
    return store;
}

}  // namespace cor_test
