#include "case_file.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#ifndef COR_TF_DEFAULT_DATA_DIR
#define COR_TF_DEFAULT_DATA_DIR "data"
#endif

namespace cor::tf::test {
namespace {

char escaped(char c) {
    switch (c) {
        case 't':
            return '\t';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        default:
            return c;
    }
}

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == sep) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return parts;
}

}  // namespace

std::string unescape(std::string_view column) {
    std::string out;
    for (size_t i = 0; i < column.size(); ++i) {
        if (column[i] == '\\' && i + 1 < column.size())
            out += escaped(column[++i]);
        else
            out += column[i];
    }
    return out;
}

t_track_info parse_metadata(std::string_view column) {
    t_track_info info;
    std::string key, value;
    bool in_value = false;
    auto finish = [&] {
        if (key == "@")
            info.path = value;
        else if (!key.empty() || in_value)
            info.add_meta(key, value);
        key.clear();
        value.clear();
        in_value = false;
    };
    for (size_t i = 0; i < column.size(); ++i) {
        char c = column[i];
        const bool is_escape = c == '\\' && i + 1 < column.size();
        if (is_escape) c = escaped(column[++i]);
        if (!is_escape && c == ';') {
            finish();
        } else if (!is_escape && c == '=' && !in_value) {
            in_value = true;
        } else {
            (in_value ? value : key) += c;
        }
    }
    if (!key.empty() || in_value) finish();
    return info;
}

std::vector<conformance_case> load_cases(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return {};
    }
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string all = buf.str();
    std::vector<conformance_case> cases;
    const std::vector<std::string_view> lines = split(all, '\n');
    for (size_t n = 1; n < lines.size(); ++n) {  // line 1 is the header
        std::string_view line = lines[n];
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const std::vector<std::string_view> cols = split(line, '\t');
        if (cols.size() != 5 || (cols[3] != "0" && cols[3] != "1")) {
            error = path + ":" + std::to_string(n + 1) + ": malformed case";
            return {};
        }
        conformance_case c;
        c.line = static_cast<int>(n + 1);
        c.expression = unescape(cols[0]);
        c.has_track = !cols[1].empty();
        if (c.has_track) c.track = parse_metadata(cols[1]);
        c.expected = unescape(cols[2]);
        c.truth = cols[3] == "1";
        c.group = std::string(cols[4]);
        cases.push_back(std::move(c));
    }
    return cases;
}

std::string cases_file() {
    constexpr const char* name = "/title-format-cases.tsv";
    const char* env = std::getenv("COR_TEST_DATA");
    if (!env || !*env) return std::string(COR_TF_DEFAULT_DATA_DIR) + name;
    const std::string direct = std::string(env) + name;
    if (std::ifstream(direct, std::ios::binary)) return direct;
    return std::string(env) + "/titleformat/data" + name;
}

}  // namespace cor::tf::test
