// The Host console: every line goes to standard error (or the console
// file) and to each console receiver that components offer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console.h"

namespace cor {

class host_console {
public:
    // Lines go to this file instead of standard error; false when it cannot be opened.
    bool open_file(const std::string& path);
    void add_receiver(service_ptr_t<console_receiver> r) { receivers_.push_back(std::move(r)); }
    void clear_receivers() { receivers_.clear(); }
    void print(std::string_view line);
    ~host_console();

private:
    void* file_ = nullptr;  // platform file handle
    std::vector<service_ptr_t<console_receiver>> receivers_;
    bool printing_ = false;
};

// The service face of the console that components look up.
service_ptr_t<console_service> make_console_service(host_console& console);

}  // namespace cor
