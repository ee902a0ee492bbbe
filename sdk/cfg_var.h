// Typed configuration variables. A module declares each persisted setting as
// a cfg_ object (usually at namespace scope); construction registers it in a
// module-local list, and the module's config_io service (make_config_io or
// config_io_factory) hands that list to the Host's store, which loads and
// saves the raw bytes. The helpers use standard types freely: they are
// compiled into each module and only pointer-and-length bytes leave it.
//
// Raw encodings (all integers little-endian):
//   cfg_int_t<T>      the bytes of T
//   cfg_string        the UTF-8 bytes, no terminator
//   cfg_struct_t<T>   the object representation of T
//   lists             32-bit element count, then the elements: GUID = 16
//                     bytes in the platform layout, text = 32-bit byte length
//                     and UTF-8 bytes, int = 32 bits, struct = sizeof(T) bytes
// Damaged bytes never throw or crash: a scalar of the wrong size keeps its
// value, a list keeps the elements decoded before the damage.
//
// Construction does no window-system work and only touches a constant-
// initialised list head, so variables may live in static storage of any
// translation unit. Everything runs on the main thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "component.h"
#include "config.h"

namespace cor {

// Bounds-checked reading of raw values; every read fails cleanly at the end.
class raw_reader {
public:
    explicit raw_reader(std::string_view bytes) noexcept : bytes_(bytes) {}

    [[nodiscard]] size_t remaining() const noexcept { return bytes_.size() - pos_; }
    [[nodiscard]] bool at_end() const noexcept { return pos_ == bytes_.size(); }

    [[nodiscard]] bool read_u32(uint32_t& out) noexcept;
    [[nodiscard]] bool read_bytes(size_t count, std::string_view& out) noexcept;
    [[nodiscard]] bool read_guid(guid& out) noexcept;
    // A 32-bit byte length, then that many bytes.
    [[nodiscard]] bool read_text(std::string& out);

private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

void raw_put_u32(std::string& out, uint32_t value);
void raw_put_guid(std::string& out, const guid& value);
void raw_put_text(std::string& out, std::string_view text);

class cfg_var {
public:
    explicit cfg_var(const guid& id) noexcept;
    cfg_var(const cfg_var&) = delete;
    cfg_var& operator=(const cfg_var&) = delete;
    virtual ~cfg_var();

    [[nodiscard]] const guid& get_guid() const noexcept { return guid_; }
    [[nodiscard]] virtual std::string get_raw() const = 0;
    // Replaces the value from raw bytes; false when they were damaged (see
    // the top of this header for what is kept then).
    virtual bool set_raw(std::string_view raw) = 0;

    // The module's live variables in order of construction.
    [[nodiscard]] static cfg_var* first_registered() noexcept;
    [[nodiscard]] cfg_var* next_registered() const noexcept { return next_; }

private:
    guid guid_;
    cfg_var* prev_ = nullptr;
    cfg_var* next_ = nullptr;
};

namespace detail {
template <class T>
struct raw_unsigned {
    using type = std::make_unsigned_t<T>;
};
template <>
struct raw_unsigned<bool> {
    using type = uint8_t;
};
}  // namespace detail

template <class T>
class cfg_int_t : public cfg_var {
    static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "cfg_int_t holds integers");
    using raw_type = typename detail::raw_unsigned<T>::type;

public:
    cfg_int_t(const guid& id, T default_value) noexcept : cfg_var(id), value_(default_value) {}

    [[nodiscard]] T get() const noexcept { return value_; }
    void set(T value) noexcept { value_ = value; }
    operator T() const noexcept { return value_; }
    cfg_int_t& operator=(T value) noexcept {
        value_ = value;
        return *this;
    }

    [[nodiscard]] std::string get_raw() const override {
        const auto u = static_cast<raw_type>(value_);
        std::string out(sizeof(T), '\0');
        for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<char>((u >> (8 * i)) & 0xff);
        return out;
    }
    bool set_raw(std::string_view raw) override {
        if (raw.size() != sizeof(T)) return false;
        raw_type u = 0;
        for (size_t i = 0; i < sizeof(T); ++i)
            u = static_cast<raw_type>(u | static_cast<raw_type>(static_cast<unsigned char>(raw[i]))
                                              << (8 * i));
        if constexpr (std::is_same_v<T, bool>)
            value_ = u != 0;
        else
            value_ = static_cast<T>(u);
        return true;
    }

private:
    T value_;
};

using cfg_int = cfg_int_t<int32_t>;
using cfg_uint = cfg_int_t<uint32_t>;
using cfg_bool = cfg_int_t<bool>;

class cfg_string : public cfg_var {
public:
    cfg_string(const guid& id, std::string_view default_value)
        : cfg_var(id), value_(default_value) {}

    [[nodiscard]] const std::string& get() const noexcept { return value_; }
    void set(std::string_view value) { value_.assign(value.data(), value.size()); }
    operator std::string_view() const noexcept { return value_; }
    cfg_string& operator=(std::string_view value) {
        set(value);
        return *this;
    }
    [[nodiscard]] bool is_empty() const noexcept { return value_.empty(); }

    [[nodiscard]] std::string get_raw() const override { return value_; }
    bool set_raw(std::string_view raw) override {
        set(raw);
        return true;
    }

private:
    std::string value_;
};

template <class T>
class cfg_struct_t : public cfg_var {
    static_assert(std::is_trivially_copyable_v<T>, "cfg_struct_t stores raw object bytes");

public:
    cfg_struct_t(const guid& id, const T& default_value) noexcept
        : cfg_var(id), value_(default_value) {}

    [[nodiscard]] const T& get() const noexcept { return value_; }
    void set(const T& value) noexcept { value_ = value; }
    cfg_struct_t& operator=(const T& value) noexcept {
        value_ = value;
        return *this;
    }

    [[nodiscard]] std::string get_raw() const override {
        return std::string(reinterpret_cast<const char*>(&value_), sizeof(T));
    }
    bool set_raw(std::string_view raw) override {
        if (raw.size() != sizeof(T)) return false;
        std::memcpy(&value_, raw.data(), sizeof(T));
        return true;
    }

private:
    T value_;
};

// Element codecs of the list types. `min_size` bounds how many elements the
// remaining bytes can hold, so a hostile count cannot reserve memory.
struct raw_guid_element {
    static constexpr size_t min_size = 16;
    static void write(std::string& out, const guid& value) { raw_put_guid(out, value); }
    static bool read(raw_reader& in, guid& out) noexcept { return in.read_guid(out); }
};

struct raw_text_element {
    static constexpr size_t min_size = 4;
    static void write(std::string& out, const std::string& value) { raw_put_text(out, value); }
    static bool read(raw_reader& in, std::string& out) { return in.read_text(out); }
};

struct raw_int32_element {
    static constexpr size_t min_size = 4;
    static void write(std::string& out, int32_t value) {
        raw_put_u32(out, static_cast<uint32_t>(value));
    }
    static bool read(raw_reader& in, int32_t& out) noexcept {
        uint32_t u = 0;
        if (!in.read_u32(u)) return false;
        out = static_cast<int32_t>(u);
        return true;
    }
};

template <class T>
struct raw_struct_element {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) > 0);
    static constexpr size_t min_size = sizeof(T);
    static void write(std::string& out, const T& value) {
        out.append(reinterpret_cast<const char*>(&value), sizeof(T));
    }
    static bool read(raw_reader& in, T& out) noexcept {
        std::string_view bytes;
        if (!in.read_bytes(sizeof(T), bytes)) return false;
        std::memcpy(&out, bytes.data(), sizeof(T));
        return true;
    }
};

template <class T, class Element>
class cfg_list_t : public cfg_var {
    static_assert(Element::min_size > 0);

public:
    using value_type = T;

    cfg_list_t(const guid& id, std::initializer_list<T> defaults = {})
        : cfg_var(id), items_(defaults) {}

    [[nodiscard]] const std::vector<T>& get() const noexcept { return items_; }
    void set(std::vector<T> items) noexcept { items_ = std::move(items); }
    [[nodiscard]] size_t size() const noexcept { return items_.size(); }
    [[nodiscard]] bool empty() const noexcept { return items_.empty(); }
    [[nodiscard]] const T& operator[](size_t index) const noexcept { return items_[index]; }
    [[nodiscard]] T& operator[](size_t index) noexcept { return items_[index]; }
    [[nodiscard]] auto begin() const noexcept { return items_.begin(); }
    [[nodiscard]] auto end() const noexcept { return items_.end(); }

    void add(T item) { items_.push_back(std::move(item)); }
    bool remove_at(size_t index) {
        if (index >= items_.size()) return false;
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        return true;
    }
    void clear() noexcept { items_.clear(); }
    // Index of the first equal element, or size() when absent.
    [[nodiscard]] size_t find(const T& item) const {
        return static_cast<size_t>(std::find(items_.begin(), items_.end(), item) - items_.begin());
    }

    [[nodiscard]] std::string get_raw() const override {
        std::string out;
        raw_put_u32(out, static_cast<uint32_t>(items_.size()));
        for (const T& item : items_) Element::write(out, item);
        return out;
    }
    bool set_raw(std::string_view raw) override {
        raw_reader in(raw);
        uint32_t count = 0;
        if (!in.read_u32(count)) return false;
        std::vector<T> items;
        items.reserve(std::min<size_t>(count, in.remaining() / Element::min_size));
        for (uint32_t i = 0; i < count; ++i) {
            T item{};
            if (!Element::read(in, item)) {
                items_ = std::move(items);
                return false;
            }
            items.push_back(std::move(item));
        }
        items_ = std::move(items);
        return in.at_end();
    }

private:
    std::vector<T> items_;
};

using cfg_guidlist_t = cfg_list_t<guid, raw_guid_element>;
using cfg_stringlist_t = cfg_list_t<std::string, raw_text_element>;
using cfg_intlist_t = cfg_list_t<int32_t, raw_int32_element>;
template <class T>
using cfg_structlist_t = cfg_list_t<T, raw_struct_element<T>>;

// The module's registered variables as the config_io the Host talks to.
// `before_save` runs from on_before_save; an exception it throws is
// swallowed there, since nothing may cross the boundary.
[[nodiscard]] service_ptr_t<config_io> make_config_io(std::function<void()> before_save = {});

// A factory for the module's client object to list among its services.
class config_io_factory final : public service_factory {
public:
    explicit config_io_factory(std::function<void()> before_save = {}) noexcept
        : before_save_(std::move(before_save)) {}

    const guid& get_class_guid() override { return config_io::class_guid; }
    service_base* create_instance() override;

private:
    std::function<void()> before_save_;
};

}  // namespace cor
