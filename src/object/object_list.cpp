#include "object/object_list.h"

#include <windows.h>

#include "host/host_services.h"

namespace vesk::object {

bool busy_flag::take() {
    constexpr int tries = 100;
    constexpr DWORD pause_ms = 10;
    for (int i = 0; i < tries; ++i) {
        if (!held_) {
            held_ = true;
            return true;
        }
        Sleep(pause_ms);
    }
    host::console_print("lock::lock_wait");
    OutputDebugStringA("lock::lock_wait\n");
    return false;
}

bool object_list_base::clear_parent(const cor::guid&, uint32_t) { return false; }
bool object_list_base::clear_parent_unlocked(const cor::guid&, uint32_t) { return false; }
bool object_list_base::clear_context(const cor::guid&, uint32_t) { return false; }
bool object_list_base::remove_nth(const cor::guid&, size_t) { return false; }
bool object_list_base::move_nth(const cor::guid&, size_t, int) { return false; }
size_t object_list_base::count(const cor::guid&) const { return 0; }
object_base* object_list_base::get_nth(const cor::guid&, size_t) const { return nullptr; }
ptrdiff_t object_list_base::index_of(const cor::guid&, const cor::guid&) const { return -1; }
size_t object_list_base::size() const { return 0; }
object_base* object_list_base::at(size_t) const { return nullptr; }
bool object_list_base::append(std::unique_ptr<object_base>) { return false; }

void object_list_base::dispose(std::unique_ptr<object_base> obj) {
    if (sink_) sink_->discard(std::move(obj));
    // Without a sink the object dies here, as it leaves scope.
}

}  // namespace vesk::object
