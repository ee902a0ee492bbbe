// The Host console: one UTF-8 line per print, delivered to standard error
// (or the console file) and to every console receiver a component offers.
#pragma once

#include "service.h"

namespace cor {

class console_service : public service_base {
public:
    // {3E1F6A90-7C2B-4D55-8A13-5B9E0F2C7D41}
    static constexpr guid class_guid{
        0x3e1f6a90, 0x7c2b, 0x4d55, {0x8a, 0x13, 0x5b, 0x9e, 0x0f, 0x2c, 0x7d, 0x41}};
    virtual void print(const char* text, size_t length) = 0;

protected:
    ~console_service() = default;
};

// Offered by components; the Host passes every console line to each one.
class console_receiver : public service_base {
public:
    // {8B2D4C71-1E6A-4F93-B0D8-6C4A9E1F3B25}
    static constexpr guid class_guid{
        0x8b2d4c71, 0x1e6a, 0x4f93, {0xb0, 0xd8, 0x6c, 0x4a, 0x9e, 0x1f, 0x3b, 0x25}};
    virtual void print(const char* text, size_t length) = 0;

protected:
    ~console_receiver() = default;
};

}  // namespace cor
