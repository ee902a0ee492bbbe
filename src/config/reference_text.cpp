#include "config/reference_text.h"

#include <algorithm>

namespace vesk {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool less_ignoring_case(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

// The file as a text-mode read sees it: CR LF is one line feed.
std::string text_mode(std::string_view file) {
    std::string out;
    out.reserve(file.size());
    for (size_t i = 0; i < file.size(); ++i)
        if (!(file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n')) out += file[i];
    return out;
}

}  // namespace

t_reference_text parse_reference_text(std::string_view file, char sigil, bool drop_sigil) {
    t_reference_text result;
    const std::string text = text_mode(file);
    std::vector<std::string>* body = nullptr;
    size_t line_number = 0;
    size_t pos = 0;
    bool continued = false;  // the piece before this one filled its room
    while (pos < text.size()) {
        // Room for 999 bytes, the line feed included, as a fixed read buffer.
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, pos + reference_line_limit);
        std::string line = text.substr(pos, end - pos);
        pos = end;
        if (!continued) ++line_number;
        const bool had_feed = !line.empty() && line.back() == '\n';
        if (had_feed) line.pop_back();
        if (continued)
            result.problems.push_back("line " + std::to_string(line_number) + " is longer than " +
                                      std::to_string(reference_line_limit - 1) + " bytes");
        continued = !had_feed && pos < text.size();

        if (!line.empty() && line[0] == '+') {
            result.groups.push_back({line.substr(1), {}, {}});
            body = &result.groups.back().body;
        } else if (!line.empty() && line[0] == sigil) {
            if (result.groups.empty()) {
                result.problems.push_back("line " + std::to_string(line_number) +
                                          ": an item before the first group");
                result.groups.push_back({});
            }
            auto& items = result.groups.back().items;
            t_reference_item item{drop_sigil ? line.substr(1) : line, {}};
            const auto at =
                std::upper_bound(items.begin(), items.end(), item,
                                 [](const t_reference_item& a, const t_reference_item& b) {
                                     return less_ignoring_case(a.label, b.label);
                                 });
            body = &items.insert(at, std::move(item))->body;
        } else {
            if (!line.empty() && line[0] == '\t') line.erase(0, 1);
            if (body)
                body->push_back(std::move(line));
            else if (!line.empty())
                result.problems.push_back("line " + std::to_string(line_number) +
                                          ": text before the first group");
        }
    }
    return result;
}

std::string reference_entry_text(std::string_view label, const std::vector<std::string>& body) {
    std::string out(label);
    out += "\r\n\r\n";
    for (const auto& line : body) {
        out += line;
        out += "\r\n";
    }
    return out;
}

std::string reference_item_name(std::string_view label) {
    if (label.empty()) return {};
    const char sigil = label[0];
    label.remove_prefix(1);
    const size_t end = label.find_first_of(std::string{'(', ' ', '\t', sigil});
    return std::string(label.substr(0, end));
}

}  // namespace vesk
