// Running a script text through the Host's compiler with a hook: directly
// without a track, or formatted against the hook's track.
#pragma once

#include <string>
#include <string_view>

#include "script/tf_hook.h"

namespace vesk {

inline constexpr std::string_view compilation_error_text = "[COMPILATION ERROR]";

std::string run_script(std::string_view text, vesk_tf_hook& hook);

}  // namespace vesk
