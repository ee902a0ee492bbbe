#include "functions/regexp_engine.h"

#include <windows.h>

#include <oleauto.h>

#include <cwchar>
#include <iterator>

#include "utf8.h"

namespace vesk {
namespace {

// Owns one VARIANT for the length of a call.
struct variant {
    VARIANT v;
    variant() { VariantInit(&v); }
    ~variant() { VariantClear(&v); }
    variant(const variant&) = delete;
    variant& operator=(const variant&) = delete;
};

void set_text(VARIANT& v, std::string_view utf8) {
    const std::wstring wide = cor::to_wide(utf8);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

DISPID lookup(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    auto* n = const_cast<LPOLESTR>(name);
    if (FAILED(object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

// Member numbers belong to the class, so they are asked once per run.
DISPID member(IDispatch* object, const wchar_t* name) {
    static const wchar_t* names[] = {L"Global", L"IgnoreCase", L"Pattern", L"Test", L"Replace"};
    static DISPID ids[std::size(names)];
    static bool known[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i) {
        if (std::wcscmp(names[i], name) != 0) continue;
        if (!known[i]) {
            ids[i] = lookup(object, name);
            known[i] = ids[i] != DISPID_UNKNOWN;
        }
        return ids[i];
    }
    return lookup(object, name);
}

}  // namespace

regexp_engine::regexp_engine() {
    // The registry look-up of the class is the slow part of making one.
    static CLSID clsid;
    static bool registered = false;
    if (!registered && FAILED(CLSIDFromProgID(L"VBScript.RegExp", &clsid))) return;
    registered = true;
    void* object = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object)))
        return;
    object_ = static_cast<IDispatch*>(object);
    VARIANT on;
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    (void)put(L"Global", &on);
}

regexp_engine::~regexp_engine() {
    if (object_) object_->Release();
}

bool regexp_engine::put(const wchar_t* property, void* value) {
    if (!object_) return false;
    const DISPID id = member(object_, property);
    if (id == DISPID_UNKNOWN) return false;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{static_cast<VARIANT*>(value), &named, 1, 1};
    return SUCCEEDED(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                     &params, nullptr, nullptr, nullptr));
}

bool regexp_engine::set_ignore_case(bool ignore) {
    VARIANT v;
    v.vt = VT_BOOL;
    v.boolVal = ignore ? VARIANT_TRUE : VARIANT_FALSE;
    return put(L"IgnoreCase", &v);
}

bool regexp_engine::set_pattern(std::string_view pattern) {
    variant v;
    set_text(v.v, pattern);
    return put(L"Pattern", &v.v);
}

std::optional<bool> regexp_engine::test(std::string_view text) {
    if (!object_) return std::nullopt;
    const DISPID id = member(object_, L"Test");
    if (id == DISPID_UNKNOWN) return std::nullopt;
    variant arg, result;
    set_text(arg.v, text);
    DISPPARAMS params{&arg.v, nullptr, 1, 0};
    if (FAILED(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               &result.v, nullptr, nullptr)) ||
        FAILED(VariantChangeType(&result.v, &result.v, 0, VT_BOOL)))
        return std::nullopt;
    return result.v.boolVal != VARIANT_FALSE;
}

std::optional<std::string> regexp_engine::replace(std::string_view text,
                                                  std::string_view replacement) {
    if (!object_) return std::nullopt;
    const DISPID id = member(object_, L"Replace");
    if (id == DISPID_UNKNOWN) return std::nullopt;
    // Automation takes arguments last first.
    variant args[2], result;
    set_text(args[0].v, replacement);
    set_text(args[1].v, text);
    VARIANT raw[2] = {args[0].v, args[1].v};
    DISPPARAMS params{raw, nullptr, 2, 0};
    if (FAILED(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               &result.v, nullptr, nullptr)) ||
        FAILED(VariantChangeType(&result.v, &result.v, 0, VT_BSTR)))
        return std::nullopt;
    if (!result.v.bstrVal) return std::string();
    return cor::to_utf8(std::wstring_view(result.v.bstrVal, SysStringLen(result.v.bstrVal)));
}

}  // namespace vesk
