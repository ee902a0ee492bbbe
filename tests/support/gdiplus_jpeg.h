// GDI+ kept running, and pictures encoded by it: the encoder lookup, and a
// JPEG for the reduced-decoding cases.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cor_test {

// GDI+ running while it lives.
struct gdiplus_session {
    gdiplus_session() { Gdiplus::GdiplusStartup(&token, &input, nullptr); }
    ~gdiplus_session() { Gdiplus::GdiplusShutdown(token); }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
};

// The platform's encoder for a MIME type ("image/png"); null when it has none.
inline CLSID encoder_for(std::wstring_view mime) {
    UINT n = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&n, &size);
    std::vector<uint8_t> buf(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
    Gdiplus::GetImageEncoders(n, size, codecs);
    for (UINT i = 0; i < n; ++i)
        if (codecs[i].MimeType == mime) return codecs[i].Clsid;
    return CLSID{};
}

inline std::vector<uint8_t> encode_jpeg(Gdiplus::Bitmap& picture) {
    const CLSID jpeg = encoder_for(L"image/jpeg");
    IStream* s = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &s))) return {};
    std::vector<uint8_t> out;
    STATSTG st{};
    if (picture.Save(s, &jpeg, nullptr) == Gdiplus::Ok &&
        SUCCEEDED(s->Stat(&st, STATFLAG_NONAME))) {
        out.resize(size_t(st.cbSize.QuadPart));
        LARGE_INTEGER zero{};
        ULONG got = 0;
        s->Seek(zero, STREAM_SEEK_SET, nullptr);
        s->Read(out.data(), ULONG(out.size()), &got);
        out.resize(got);
    }
    s->Release();
    return out;
}

}  // namespace cor_test
