// Running a script text through the Host's compiler with a hook: directly
// without a track, or formatted against the hook's track. A run started
// inside another is bounded in depth (script/run_depth.h).
#pragma once

#include <string>
#include <string_view>

#include "script/tf_hook.h"

namespace vesk {

inline constexpr std::string_view compilation_error_text = "[COMPILATION ERROR]";

std::string run_script(std::string_view text, vesk_tf_hook& hook);

// A script compiled once to be run many times.
using compiled_script = cor::service_ptr_t<cor::titleformat_object>;
// Null when the text does not compile or there is no Host compiler.
[[nodiscard]] compiled_script compile_script(std::string_view text);
// As run_script, for a script compiled beforehand.
std::string run_compiled(cor::titleformat_object& script, vesk_tf_hook& hook);

// Where and why the Host's compiler refuses a script text.
struct script_error {
    size_t offset = 0;  // byte offset into the text compiled
    std::string message;
};

// Compiles `text` without running it; false with `error` filled when it
// does not compile. True as well when there is no Host compiler to ask.
bool check_script(std::string_view text, script_error& error);
// As check_script, handing over what compiled (null without a compiler).
bool check_script(std::string_view text, script_error& error, compiled_script& compiled);

}  // namespace vesk
