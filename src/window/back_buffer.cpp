#include "window/back_buffer.h"

namespace vesk {

bool back_buffer::ensure() {
    const int w = GetSystemMetrics(SM_CXSCREEN) + 100;
    const int h = GetSystemMetrics(SM_CYSCREEN) + 100;
    if (dc_ && w == width_ && h == height_) return true;
    release();
    HDC screen = GetDC(nullptr);
    unique_hdc dc(CreateCompatibleDC(screen));
    unique_hbitmap bitmap(CreateCompatibleBitmap(screen, w, h));
    ReleaseDC(nullptr, screen);
    if (!dc || !bitmap) return false;
    old_bitmap_ = SelectObject(dc.get(), bitmap.get());
    RECT all{0, 0, w, h};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_WINDOW));
    bitmap_ = std::move(bitmap);
    dc_ = std::move(dc);
    graphics_ = std::make_unique<Gdiplus::Graphics>(dc_.get());
    width_ = w;
    height_ = h;
    return true;
}

void back_buffer::release() {
    graphics_.reset();
    if (dc_ && old_bitmap_) SelectObject(dc_.get(), old_bitmap_);
    old_bitmap_ = nullptr;
    dc_.reset();
    bitmap_.reset();
    width_ = height_ = 0;
}

}  // namespace vesk
