// Case tables kept as data beside a suite: one case a line, its fields
// separated by tabs, "\t", "\n", "\r" and "\\" standing for themselves inside
// a field, and lines starting with '#' (and blank lines) left out. Files are
// found under $COR_TEST_DATA, the root of the test sources.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace cor_test {

struct t_case_row {
    std::string where;  // "file:line", for failure messages
    std::vector<std::string> fields;
};

inline std::string unescape_field(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\\' && i + 1 < field.size()) {
            c = field[++i];
            c = c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        }
        out += c;
    }
    return out;
}

// Every row of `name` (a path below the test sources, such as
// "functions/data/strings.tsv") that has exactly `fields` fields; a missing
// file or a row of another width fails the calling test.
inline std::vector<t_case_row> read_case_table(const std::string& name, size_t fields) {
    const char* root = std::getenv("COR_TEST_DATA");
    const std::string path = std::string(root && *root ? root : ".") + "/" + name;
    std::ifstream in(path, std::ios::binary);
    std::vector<t_case_row> rows;
    if (!in) {
        ADD_FAILURE() << "cannot open " << path;
        return rows;
    }
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        t_case_row row{name + ":" + std::to_string(n), {}};
        for (size_t start = 0;;) {
            const size_t tab = line.find('\t', start);
            row.fields.push_back(unescape_field(line.substr(start, tab - start)));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (row.fields.size() != fields) {
            ADD_FAILURE() << row.where << ": " << fields << " fields expected, "
                          << row.fields.size() << " found";
            continue;
        }
        rows.push_back(std::move(row));
    }
    if (rows.empty()) ADD_FAILURE() << path << " holds no case";
    return rows;
}

using t_case_names = std::vector<std::pair<std::string, std::string>>;

// Field `i` of `row`, each "{name}" of `vars` replaced by its value.
inline std::string case_field(const t_case_row& row, size_t i, const t_case_names& vars = {}) {
    std::string text = row.fields[i];
    for (const auto& [name, value] : vars)
        for (size_t at; (at = text.find("{" + name + "}")) != std::string::npos;)
            text.replace(at, name.size() + 2, value);
    return text;
}

// A field's parts between each `by`: one part for a field without any.
inline std::vector<std::string> split(const std::string& text, char by) {
    std::vector<std::string> out(1);
    for (const char c : text) c == by ? out.emplace_back() : out.back() += c;
    return out;
}

// A field of console lines: joined by "\n", "-" or nothing for none.
inline std::vector<std::string> case_lines(const std::string& field) {
    std::vector<std::string> out;
    if (field.empty() || field == "-") return out;
    for (size_t start = 0;;) {
        const size_t end = field.find('\n', start);
        out.push_back(field.substr(start, end - start));
        if (end == std::string::npos) return out;
        start = end + 1;
    }
}

}  // namespace cor_test
