// Writes a profile's settings store from the documented file format alone,
// as a tool or a reviewer would, without the player's own code.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace cor_test {

class store_writer {
public:
    // `guid` in the 36-character text form.
    void text(const std::string& guid, const std::string& value) { add(guid, value); }
    void int32(const std::string& guid, int32_t value);
    void text_list(const std::string& guid, const std::vector<std::string>& items);
    void guid_list(const std::string& guid, const std::vector<std::string>& items);
    std::string bytes() const;

private:
    void add(const std::string& guid, std::string value) {
        entries_.emplace_back(guid, std::move(value));
    }
    std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace cor_test
