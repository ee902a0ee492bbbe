// The table runner apart from the rest of the fixture: the benchmarks share
// component_host but not GoogleTest.
#include "support/case_table.h"
#include "support/component_host.h"

namespace cor_test {

void component_host::expect_row(const t_case_row& row, size_t first, const names& vars,
                                const runner& run) {
    const auto field = [&](size_t i) { return case_field(row, first + i, vars); };
    const std::string script = field(0);
    const lines console = case_lines(field(2));
    take_lines();
    EXPECT_EQ(run ? run(script) : eval(script), field(1)) << row.where << ": " << script;
    EXPECT_EQ(take_lines(), console) << row.where << ": " << script;
}

void component_host::expect_table(const std::string& file, const names& vars, const runner& run) {
    for (const auto& row : read_case_table(file, 3)) expect_row(row, 0, vars, run);
}

}  // namespace cor_test
