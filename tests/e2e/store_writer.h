// Writes a profile's settings store from the documented file format alone,
// as a tool or a reviewer would, without the player's own code.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cor_test {

// Four bytes, least significant first.
std::string le32(uint32_t v);
// The 16 bytes of a GUID given in the 36-character text form, as stored.
std::string guid_bytes(const std::string& text);

class store_writer {
public:
    void text(const std::string& guid, const std::string& value) {
        entries_.emplace_back(guid, value);
    }
    void text_list(const std::string& guid, const std::vector<std::string>& items);
    void guid_list(const std::string& guid, const std::vector<std::string>& items);
    std::string bytes() const;

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

// The settings of profile `name` in the case table e2e/data/profiles.tsv.
store_writer profile_store(const std::string& name);

}  // namespace cor_test
