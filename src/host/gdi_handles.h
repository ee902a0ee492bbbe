// Move-only owners of GDI handles. In test builds they count live handles,
// since the platform's own count is not available everywhere; a test checks
// that the count returns to where it started.
#pragma once

#include <windows.h>

#include <utility>

namespace vesk {

namespace handle_count {
#ifdef COR_TEST_BUILD
long& live();
inline void add() { ++live(); }
inline void remove() { --live(); }
#else
inline void add() {}
inline void remove() {}
#endif
}  // namespace handle_count

template <class H, BOOL(WINAPI* Release)(H)>
class unique_gdi {
public:
    unique_gdi() noexcept = default;
    explicit unique_gdi(H h) noexcept : h_(h) {
        if (h_) handle_count::add();
    }
    unique_gdi(unique_gdi&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    unique_gdi& operator=(unique_gdi&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = std::exchange(o.h_, nullptr);
        }
        return *this;
    }
    unique_gdi(const unique_gdi&) = delete;
    unique_gdi& operator=(const unique_gdi&) = delete;
    ~unique_gdi() { reset(); }

    [[nodiscard]] H get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void reset(H h = nullptr) noexcept {
        if (h_) {
            Release(h_);
            handle_count::remove();
        }
        h_ = h;
        if (h_) handle_count::add();
    }
    [[nodiscard]] H release() noexcept {
        if (h_) handle_count::remove();
        return std::exchange(h_, nullptr);
    }

private:
    H h_ = nullptr;
};

inline BOOL WINAPI delete_gdi_object(HGDIOBJ h) { return DeleteObject(h); }
template <class T>
inline BOOL WINAPI delete_typed_object(T h) {
    return DeleteObject(h);
}

using unique_hdc = unique_gdi<HDC, DeleteDC>;
using unique_hbitmap = unique_gdi<HBITMAP, delete_typed_object<HBITMAP>>;
using unique_hbrush = unique_gdi<HBRUSH, delete_typed_object<HBRUSH>>;
using unique_hfont = unique_gdi<HFONT, delete_typed_object<HFONT>>;
using unique_hpen = unique_gdi<HPEN, delete_typed_object<HPEN>>;
using unique_hrgn = unique_gdi<HRGN, delete_typed_object<HRGN>>;

// A bitmap for drawing off screen in the screen's format. Made compatible
// with a window's context, a bitmap costs a question to the window server
// about the display's format each time under Wine (0.1 ms); this one takes
// the format from a bitmap made once.
HBITMAP make_screen_bitmap(int width, int height);

// A 32-bit top-down section, its bits in `bits`. With `colour_masks` it is
// described by its masks rather than as plain RGB: GDI+ then draws into it
// through GDI, as into a screen bitmap; as plain RGB GDI+ keeps its alpha
// channel (many times slower under Wine), which only surfaces whose alpha
// matters want.
HBITMAP make_section(int width, int height, bool colour_masks, void** bits);

// Restores the previous selection when it goes out of scope.
class select_guard {
public:
    select_guard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~select_guard() {
        if (old_) SelectObject(dc_, old_);
    }
    select_guard(const select_guard&) = delete;
    select_guard& operator=(const select_guard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace vesk
