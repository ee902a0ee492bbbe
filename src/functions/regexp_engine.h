// The platform's VBScript regular-expression object, driven through its
// automation interface: global matching, a case mode and a pattern, then
// Test or Replace.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "script/tf_hook.h"

struct IDispatch;

namespace vesk {

// Kept with an evaluation and its nested runs: made on first use.
class regexp_engine : public hook_attachment {
public:
    // Creates the object; valid() is false when the platform has none (or
    // COM is not started on this thread).
    regexp_engine();
    ~regexp_engine();
    regexp_engine(const regexp_engine&) = delete;
    regexp_engine& operator=(const regexp_engine&) = delete;

    [[nodiscard]] bool valid() const { return object_ != nullptr; }
    bool set_ignore_case(bool ignore);
    bool set_pattern(std::string_view pattern);
    // Nothing when the engine refuses the pattern.
    std::optional<bool> test(std::string_view text);
    std::optional<std::string> replace(std::string_view text, std::string_view replacement);

private:
    bool put(const wchar_t* property, void* value);
    IDispatch* object_ = nullptr;
};

}  // namespace vesk
