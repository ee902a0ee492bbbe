// The per-type object lists and the draw-order list. A list owns its
// objects in insertion order (as changed by z-order moves) for all windows
// together. "Of a parent" selects by parent identity; for the positional
// operations the null GUID selects every object. Objects a list gives up
// go to its sink, which lets the manager delay their destruction while an
// object's own code is running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "object/object_base.h"

namespace vesk::object {

// A one-byte guard against re-entry. Everything runs on one thread, so
// waiting only helps against a holder that yields; after the last try the
// operation is refused and "lock::lock_wait" reported.
class busy_flag {
public:
    [[nodiscard]] bool take();
    void release() { held_ = false; }
    [[nodiscard]] bool held() const { return held_; }

private:
    bool held_ = false;
};

// Holds a flag for a scope; `ok()` is false when it could not be taken.
class busy_scope {
public:
    explicit busy_scope(busy_flag& flag, bool already_held = false)
        : flag_(flag), owned_(!already_held && flag.take()), ok_(already_held || owned_) {}
    ~busy_scope() {
        if (owned_) flag_.release();
    }
    busy_scope(const busy_scope&) = delete;
    busy_scope& operator=(const busy_scope&) = delete;
    [[nodiscard]] bool ok() const { return ok_; }

private:
    busy_flag& flag_;
    bool owned_;
    bool ok_;
};

class object_sink {
public:
    virtual void discard(std::unique_ptr<object_base> obj) = 0;

protected:
    ~object_sink() = default;
};

// where for move_nth.
enum z_where : int { z_top = 0, z_bottom = 1 };

class object_list_base {
public:
    object_list_base(uint32_t category_mask, uint32_t type_index)
        : category(category_mask), type(type_index) {}
    virtual ~object_list_base() = default;
    object_list_base(const object_list_base&) = delete;
    object_list_base& operator=(const object_list_base&) = delete;

    const uint32_t category;
    const uint32_t type;

    // Remove every object of `parent` (or of `context`) whose category
    // meets `mask`. False when the busy flag could not be taken.
    virtual bool clear_parent(const cor::guid& parent, uint32_t mask);
    virtual bool clear_parent_unlocked(const cor::guid& parent, uint32_t mask);
    virtual bool clear_context(const cor::guid& context, uint32_t mask);
    virtual bool remove_nth(const cor::guid& parent, size_t n);
    // Moves the n-th object of `parent` to the end (z_top) or front.
    virtual bool move_nth(const cor::guid& parent, size_t n, int where);
    [[nodiscard]] virtual size_t count(const cor::guid& parent) const;
    [[nodiscard]] virtual object_base* get_nth(const cor::guid& parent, size_t n) const;
    // Position in the whole sequence, or -1.
    [[nodiscard]] virtual ptrdiff_t index_of(const cor::guid& parent, const cor::guid& id) const;

    // The whole sequence, for walks that keep their own cursor.
    [[nodiscard]] virtual size_t size() const;
    [[nodiscard]] virtual object_base* at(size_t i) const;
    // False when the object is not of this list's type.
    [[nodiscard]] virtual bool append(std::unique_ptr<object_base> obj);

    void set_sink(object_sink* sink) { sink_ = sink; }

protected:
    void dispose(std::unique_ptr<object_base> obj);

    busy_flag busy_;
    object_sink* sink_ = nullptr;
};

template <class T, uint32_t Category, uint32_t TypeIndex>
class object_list_t final : public object_list_base {
    static_assert(std::is_base_of_v<object_base, T>);

public:
    object_list_t() : object_list_base(Category, TypeIndex) {}
    ~object_list_t() override {
        // Destroy in reverse so later objects never outlive earlier ones.
        while (!items_.empty()) items_.pop_back();
    }

    bool clear_parent(const cor::guid& parent, uint32_t mask) override {
        busy_scope busy(busy_);
        return busy.ok() && clear_parent_unlocked(parent, mask);
    }
    bool clear_parent_unlocked(const cor::guid& parent, uint32_t mask) override {
        remove_if([&](const T& o) { return o.parent == parent && meets(o.category, mask); });
        return true;
    }
    bool clear_context(const cor::guid& context, uint32_t mask) override {
        busy_scope busy(busy_);
        if (!busy.ok()) return false;
        remove_if([&](const T& o) { return o.context == context && meets(o.category, mask); });
        return true;
    }
    bool remove_nth(const cor::guid& parent, size_t n) override {
        const ptrdiff_t i = position(parent, n);
        if (i < 0) return false;
        std::unique_ptr<object_base> gone = std::move(items_[static_cast<size_t>(i)]);
        items_.erase(items_.begin() + i);
        dispose(std::move(gone));
        return true;
    }
    bool move_nth(const cor::guid& parent, size_t n, int where) override {
        const ptrdiff_t i = position(parent, n);
        if (i < 0) return false;
        std::unique_ptr<T> moving = std::move(items_[static_cast<size_t>(i)]);
        items_.erase(items_.begin() + i);
        if (where == z_top)
            items_.push_back(std::move(moving));
        else
            items_.insert(items_.begin(), std::move(moving));
        return true;
    }
    size_t count(const cor::guid& parent) const override {
        if (parent == cor::guid_null) return items_.size();
        size_t n = 0;
        for (const auto& o : items_) n += o->parent == parent;
        return n;
    }
    object_base* get_nth(const cor::guid& parent, size_t n) const override {
        const ptrdiff_t i = position(parent, n);
        return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
    }
    ptrdiff_t index_of(const cor::guid& parent, const cor::guid& id) const override {
        // Identities are unique; searching from the newest end finds the
        // objects a script just made (and is removing again) at once.
        for (size_t i = items_.size(); i-- > 0;) {
            const T& o = *items_[i];
            if (o.id == id)
                return parent == cor::guid_null || o.parent == parent ? ptrdiff_t(i) : -1;
        }
        return -1;
    }
    size_t size() const override { return items_.size(); }
    object_base* at(size_t i) const override {
        return i < items_.size() ? items_[i].get() : nullptr;
    }
    bool append(std::unique_ptr<object_base> obj) override {
        if (!obj) return false;
        // Order entries carry the type of the object they stand for.
        if constexpr (TypeIndex != type_order)
            if (obj->type != TypeIndex) return false;
        T* typed = dynamic_cast<T*>(obj.get());
        if (!typed) return false;
        obj.release();
        items_.emplace_back(typed);
        return true;
    }

    // Typed access for the type's own functions.
    [[nodiscard]] T* typed_at(size_t i) const {
        return i < items_.size() ? items_[i].get() : nullptr;
    }

private:
    ptrdiff_t position(const cor::guid& parent, size_t n) const {
        if (parent == cor::guid_null) return n < items_.size() ? ptrdiff_t(n) : -1;
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i]->parent == parent && n-- == 0) return ptrdiff_t(i);
        return -1;
    }
    template <class Pred>
    void remove_if(Pred pred) {
        // Detach first, then dispose: a destructor may come back to the list.
        std::vector<std::unique_ptr<T>> gone;
        std::vector<std::unique_ptr<T>> kept;
        kept.reserve(items_.size());
        for (auto& o : items_) (pred(*o) ? gone : kept).push_back(std::move(o));
        items_ = std::move(kept);
        // A list emptied by a clear gives its memory back.
        if (items_.capacity() > 64 && items_.capacity() > 4 * items_.size()) items_.shrink_to_fit();
        for (auto& o : gone) dispose(std::move(o));
    }

    std::vector<std::unique_ptr<T>> items_;
};

}  // namespace vesk::object
