// The Host's script language as the component sees it: compiled scripts,
// the hook through which a component adds functions and fields, and the
// parameter object of one function call. Text is UTF-8, pointer and length.
#pragma once

#include <cstddef>
#include <string>

#include "service.h"

namespace cor {

// Where evaluated text goes. Implemented on the caller's side of the boundary.
class string_sink {
public:
    virtual void write(const char* text, size_t length) = 0;

protected:
    ~string_sink() = default;
};

// A sink that collects the text in a string, for the module's own use.
class string_out final : public string_sink {
public:
    void write(const char* text, size_t length) override { this->text.append(text, length); }
    std::string text;
};

// Arguments of one call. Each argument is evaluated on first request and
// cached for the rest of the call.
class titleformat_params {
public:
    virtual size_t get_param_count() = 0;
    // The argument's evaluated text; valid until the call returns.
    virtual void get_param(size_t index, const char*& text, size_t& length) = 0;
    // The argument's truth flag (evaluates it if not done yet).
    virtual bool get_param_found(size_t index) = 0;

protected:
    ~titleformat_params() = default;
};

// Offered every field and function that the Host does not resolve itself.
// Returns true when handled; `found` is the truth flag of what was written.
// Names are also zero-terminated at name[name_length].
class titleformat_hook {
public:
    virtual bool process_field(string_sink& out, const char* name, size_t name_length,
                               bool& found) = 0;
    virtual bool process_function(string_sink& out, const char* name, size_t name_length,
                                  titleformat_params& params, bool& found) = 0;

protected:
    ~titleformat_hook() = default;
};

// A compiled script. Running it re-parses nothing.
class titleformat_object : public service_base {
public:
    // Evaluates without a track; returns the truth flag of the whole script.
    virtual bool run(titleformat_hook* hook, string_sink& out) = 0;

protected:
    ~titleformat_object() = default;
};

// Told where and why a script does not compile. offset is the byte offset
// of the error in the compiled text; line and column count from 1, the
// column in characters; the message says what was expected there, for
// example "expected ) to close $if(".
class titleformat_compile_report {
public:
    virtual void on_error(size_t offset, size_t line, size_t column, const char* message,
                          size_t length) = 0;

protected:
    ~titleformat_compile_report() = default;
};

class titleformat_compiler : public service_base {
public:
    // {A5C5B1E2-3F0D-4B8E-9C51-0E7D2B6F4A10}
    static constexpr guid class_guid{
        0xa5c5b1e2, 0x3f0d, 0x4b8e, {0x9c, 0x51, 0x0e, 0x7d, 0x2b, 0x6f, 0x4a, 0x10}};
    // On success *out receives an owned reference; on a syntax error returns
    // false and leaves *out null.
    virtual bool compile(titleformat_object** out, const char* text, size_t length) = 0;
    // As compile; a syntax error is also described to `report`, once.
    virtual bool compile_reporting(titleformat_object** out, const char* text, size_t length,
                                   titleformat_compile_report& report) = 0;

protected:
    ~titleformat_compiler() = default;
};

}  // namespace cor
