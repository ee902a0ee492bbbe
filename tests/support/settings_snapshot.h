// Every registered setting as a test found it, put back when it is done,
// so one test's changes never reach the next.
#pragma once

#include <map>
#include <string>

#include "cfg_var.h"

namespace cor_test {

class settings_snapshot {
public:
    settings_snapshot() {
        for (auto* v = cor::cfg_var::first_registered(); v; v = v->next_registered())
            saved_[v] = v->get_raw();
    }
    void restore() const {
        for (const auto& [v, raw] : saved_) v->set_raw(raw);
    }

private:
    std::map<cor::cfg_var*, std::string> saved_;
};

}  // namespace cor_test
