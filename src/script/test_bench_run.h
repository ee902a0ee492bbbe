// The test bench: a script run with no window, no variables and a break
// flag of its own, its text prepared with the custom scripts and the trim
// setting as stored scripts are. The palette's "Run" and the Host's --eval
// both go through here.
#pragma once

#include <string>
#include <string_view>

namespace vesk {

// The script's result text; "[COMPILATION ERROR]" when it does not compile.
[[nodiscard]] std::string run_test_bench(std::string_view text);

}  // namespace vesk
