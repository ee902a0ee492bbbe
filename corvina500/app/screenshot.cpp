#include "app/screenshot.h"

#include <windows.h>

#include <gdiplus.h>

#include <memory>
#include <vector>

#include "utf8.h"

namespace cor {
namespace {

bool png_encoder(CLSID& out) {
    UINT count = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<unsigned char> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring_view(codecs[i].MimeType) == L"image/png") {
            out = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

}  // namespace

bool save_client_png(void* window, const std::string& path, std::string& error) {
    HWND wnd = static_cast<HWND>(window);
    RECT cr;
    if (!wnd || !GetClientRect(wnd, &cr) || cr.right <= 0 || cr.bottom <= 0) {
        error = "no window to capture";
        return false;
    }
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
        error = "GDI+ did not start";
        return false;
    }
    bool ok = false;
    {
        HDC screen = GetDC(wnd);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bmp = CreateCompatibleBitmap(screen, cr.right, cr.bottom);
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, cr.right, cr.bottom, screen, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        ReleaseDC(wnd, screen);
        DeleteDC(mem);
        CLSID png{};
        if (!png_encoder(png)) {
            error = "no PNG encoder";
        } else {
            Gdiplus::Bitmap image(bmp, nullptr);
            ok = image.Save(to_wide(path).c_str(), &png, nullptr) == Gdiplus::Ok;
            if (!ok) error = "could not write " + path;
        }
        DeleteObject(bmp);
    }
    Gdiplus::GdiplusShutdown(token);
    return ok;
}

}  // namespace cor
