// Reads the conformance cases of the script language: tab-separated
// expression, track metadata, expected text, expected truth and group.
#pragma once

#include <string>
#include <vector>

#include "core/track_info.h"

namespace cor::tf::test {

struct conformance_case {
    int line = 0;
    std::string expression;
    bool has_track = false;
    t_track_info track;
    std::string expected;
    bool truth = false;
    std::string group;
};

// Undoes the C escapes of one column.
std::string unescape(std::string_view column);
// "key=value;key=value", '\;' and '\=' escaped; a repeated key adds a value
// and the key '@' is the file path.
t_track_info parse_metadata(std::string_view column);
// Every case of the file; on failure returns nothing and sets error.
std::vector<conformance_case> load_cases(const std::string& path, std::string& error);
// Where the cases are: under $COR_TEST_DATA when set (the folder of the
// file, or the root of the test sources), else in this folder's data/.
std::string cases_file();

}  // namespace cor::tf::test
