// Album art of a track and the equalizer's cost:
// - a 500 KB JPEG front cover embedded in an ID3v2.3 tag: the Host's
//   album-art service opens the track and hands the bytes over, then GDI+
//   decodes them, as an image object loading a cover does;
// - one second of 44.1 kHz stereo through all ten equalizer bands and
//   through Balance.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "dsp/dsp_chain.h"
#include "media/art_reader.h"

namespace {

// A noisy picture encoded by GDI+ at a quality that lands near 500 KB.
std::vector<uint8_t> make_jpeg() {
    Gdiplus::Bitmap bmp(1000, 1000, PixelFormat24bppRGB);
    std::mt19937 rng(1);
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 1000; ++x)
            bmp.SetPixel(x, y,
                         Gdiplus::Color(255, BYTE(x / 4 + rng() % 40), BYTE(y / 4 + rng() % 40),
                                        BYTE((x + y) / 8 + rng() % 40)));
    CLSID jpeg{};
    UINT n = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&n, &size);
    std::vector<uint8_t> buf(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
    Gdiplus::GetImageEncoders(n, size, codecs);
    for (UINT i = 0; i < n; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/jpeg") jpeg = codecs[i].Clsid;
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    Gdiplus::EncoderParameters params{};
    ULONG quality = 85;
    params.Count = 1;
    params.Parameter[0] = {Gdiplus::EncoderQuality, 1, Gdiplus::EncoderParameterValueTypeLong,
                           &quality};
    bmp.Save(stream, &jpeg, &params);
    STATSTG st{};
    stream->Stat(&st, STATFLAG_NONAME);
    std::vector<uint8_t> out(size_t(st.cbSize.QuadPart));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG got = 0;
    stream->Read(out.data(), ULONG(out.size()), &got);
    stream->Release();
    return out;
}

std::string id3_with_cover(const std::vector<uint8_t>& jpeg) {
    std::string apic =
        std::string("\0image/jpeg\0\x03\0", 14) + std::string(jpeg.begin(), jpeg.end());
    std::string frame = "APIC";
    for (int i = 3; i >= 0; --i) frame += char((apic.size() >> (8 * i)) & 0xFF);
    frame += std::string(2, '\0') + apic;
    std::string tag = std::string("ID3\3\0\0", 6);
    for (int i = 3; i >= 0; --i) tag += char((frame.size() >> (7 * i)) & 0x7F);
    return tag + frame + std::string(4000, '\x55');
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput in;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &in, nullptr);
    {
        const std::vector<uint8_t> jpeg = make_jpeg();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        const std::string path = std::string(temp) + "cor_art_bench.mp3";
        std::ofstream(path, std::ios::binary) << id3_with_cover(jpeg);
        auto service = cor::make_album_art_service();
        UINT width = 0;
        const double ns = cor_bench::ns_per_iteration(
            [&] {
                cor::album_art_extractor* raw = nullptr;
                if (!service->open(path.data(), path.size(), &raw)) return;
                auto art = cor::service_ptr_t<cor::album_art_extractor>::adopt(raw);
                cor::string_out bytes;
                if (!art->query(cor::album_art_front_cover, bytes)) return;
                HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.text.size());
                std::memcpy(GlobalLock(block), bytes.text.data(), bytes.text.size());
                GlobalUnlock(block);
                IStream* s = nullptr;
                CreateStreamOnHGlobal(block, TRUE, &s);
                Gdiplus::Bitmap image(s, FALSE);
                width = image.GetWidth();
                // Decoding happens when the pixels are first wanted.
                Gdiplus::Bitmap target(64, 64, PixelFormat32bppARGB);
                Gdiplus::Graphics(&target).DrawImage(&image, 0, 0, 64, 64);
                s->Release();
            },
            5);
        const double find_ns = cor_bench::ns_per_iteration(
            [&] {
                cor::album_art_extractor* raw = nullptr;
                if (!service->open(path.data(), path.size(), &raw)) return;
                auto art = cor::service_ptr_t<cor::album_art_extractor>::adopt(raw);
                cor::string_out bytes;
                (void)art->query(cor::album_art_front_cover, bytes);
            },
            20);
        std::printf(
            "album art: %zu-byte JPEG (%u px wide) found: %.2f ms; found and decoded: %.2f ms\n",
            jpeg.size(), width, find_ns / 1e6, ns / 1e6);
        DeleteFileA(path.c_str());
    }
    Gdiplus::GdiplusShutdown(token);

    constexpr uint32_t rate = 44100;
    std::vector<int16_t> second(2 * rate);
    std::mt19937 rng(2);
    for (auto& s : second) s = int16_t(int(rng() % 20000) - 10000);
    const int32_t gains[cor::equalizer_bands] = {300, -200, 400,  100, -300,
                                                 600, 200,  -100, 500, 300};
    struct row {
        const char* name;
        std::vector<cor::t_dsp_preset> chain;
    };
    const row rows[] = {
        {"empty chain", {}},
        {"Balance", {cor::balance_preset(-20)}},
        {"Equalizer, ten bands", {cor::equalizer_preset(gains)}},
        {"Balance + Equalizer", {cor::balance_preset(-20), cor::equalizer_preset(gains)}},
    };
    for (const auto& r : rows) {
        cor::dsp_chain chain;
        if (!chain.set(r.chain)) return 1;
        std::vector<int16_t> work = second;
        const double ns =
            cor_bench::ns_per_iteration([&] { chain.process_s16(work.data(), rate, 2, rate); }, 3);
        std::printf("%s: %.3f ms per second of 44.1 kHz stereo (%.2f %% of one core)\n", r.name,
                    ns / 1e6, ns / 1e7);
    }
    return 0;
}
