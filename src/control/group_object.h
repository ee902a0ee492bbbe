// Named sets of objects shown and hidden together. A group belongs to no
// window, so clearing a window never removes it; its members are kept as
// identity texts and may outlive it or be gone before it.
#pragma once

#include <string>
#include <vector>

#include "object/object_base.h"

namespace vesk::object {

class group_object final : public object_base {
public:
    group_object() : object_base(cat_area, type_group) {}
    std::vector<std::string> members;
};

}  // namespace vesk::object
