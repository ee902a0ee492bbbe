// A strict JSON reader for the files skin authors write by hand (a
// profile's profile.json). Strict, so that a file the Host accepts is read
// the same by any other tool; every value keeps where it starts in the
// text, so that later complaints about its meaning ("window 2 has no id")
// can send the author to the right place. Errors come back as a position
// and a sentence, never as an exception, and hostile text (deep nesting,
// huge files, broken UTF-8) costs linear time and bounded stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace cor {

enum class json_type { null, boolean, number, string, array, object };

// Positions are 1-based. Lines end at '\n' (so "\r\n" ends one line);
// columns count characters (UTF-8 code points), not bytes, which is what
// an editor's status bar shows. A byte order mark takes no column.
struct t_json_error {
    size_t line = 0;
    size_t column = 0;
    std::string message;
};

// Deeper nesting than this is refused rather than risking the stack.
inline constexpr size_t json_max_depth = 512;

class json_value {
public:
    using array_type = std::vector<json_value>;
    using member = std::pair<std::string, json_value>;
    // Members in the file's order, duplicates included.
    using object_type = std::vector<member>;

    // A null with no position (line and column 0).
    json_value() noexcept = default;

    [[nodiscard]] json_type type() const noexcept { return static_cast<json_type>(data_.index()); }
    [[nodiscard]] bool is_null() const noexcept { return type() == json_type::null; }
    [[nodiscard]] bool is_bool() const noexcept { return type() == json_type::boolean; }
    [[nodiscard]] bool is_number() const noexcept { return type() == json_type::number; }
    [[nodiscard]] bool is_string() const noexcept { return type() == json_type::string; }
    [[nodiscard]] bool is_array() const noexcept { return type() == json_type::array; }
    [[nodiscard]] bool is_object() const noexcept { return type() == json_type::object; }
    // A number written without fraction or exponent that fits int64_t;
    // larger ones are still numbers, as doubles.
    [[nodiscard]] bool is_integer() const noexcept {
        const auto* n = std::get_if<number_data>(&data_);
        return n && n->integer;
    }

    // Each throws std::bad_variant_access for a value of another type;
    // as_integer throws it unless is_integer().
    [[nodiscard]] bool as_bool() const { return std::get<bool>(data_); }
    [[nodiscard]] double as_number() const { return std::get<number_data>(data_).value; }
    [[nodiscard]] int64_t as_integer() const;
    [[nodiscard]] const std::string& as_string() const { return std::get<std::string>(data_); }
    [[nodiscard]] const array_type& as_array() const { return std::get<array_type>(data_); }
    [[nodiscard]] const object_type& as_object() const { return std::get<object_type>(data_); }

    // The member named `key`; for a key written twice, the later one, as
    // other readers do. Null when absent or when this is not an object.
    [[nodiscard]] const json_value* find(std::string_view key) const noexcept;

    // Where the value starts: its first character ('"', '[', '{', '-', a
    // digit or a letter of true/false/null).
    [[nodiscard]] size_t line() const noexcept { return line_; }
    [[nodiscard]] size_t column() const noexcept { return column_; }

private:
    friend class json_reader;

    struct number_data {
        double value = 0;
        int64_t int_value = 0;
        bool integer = false;
    };

    // In json_type's order.
    std::variant<std::monostate, bool, number_data, std::string, array_type, object_type> data_;
    size_t line_ = 0;
    size_t column_ = 0;
};

// Reads one JSON text (RFC 8259, nothing more: no comments, no trailing
// commas, no single quotes), which may start with a UTF-8 byte order mark.
// On failure returns nothing and fills `error` with the first fault. A
// number beyond double's range is an error; one too small for it reads as
// zero.
[[nodiscard]] std::optional<json_value> parse_json(std::string_view text, t_json_error& error);

}  // namespace cor
