// Offered by the component: runs one script as its test bench does (no
// window, the component's hook attached) and returns the result text. The
// Host's automation flag --eval uses it.
#pragma once

#include "titleformat.h"

namespace cor {

class script_test_bench : public service_base {
public:
    // {C1F0A7D4-52B8-4E3A-9D6F-7A1B3C5E9F02}
    static constexpr guid class_guid{
        0xc1f0a7d4, 0x52b8, 0x4e3a, {0x9d, 0x6f, 0x7a, 0x1b, 0x3c, 0x5e, 0x9f, 0x02}};
    virtual void run_script(const char* text, size_t length, string_sink& out) = 0;

protected:
    ~script_test_bench() = default;
};

}  // namespace cor
