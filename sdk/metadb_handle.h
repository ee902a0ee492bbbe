// A track known to the Host: its location, tags and stream information.
#pragma once

#include "titleformat.h"

namespace cor {

class metadb_handle : public service_base {
public:
    // Formats the compiled script against this track: the track's own
    // fields resolve before the hook is asked. Returns the truth flag.
    virtual bool format_title(titleformat_hook* hook, string_sink& out,
                              titleformat_object* script) = 0;
    virtual void get_path(string_sink& out) = 0;

protected:
    ~metadb_handle() = default;
};

}  // namespace cor
