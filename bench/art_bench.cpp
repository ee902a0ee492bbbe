// Album art of a track and the equalizer's cost:
// - a front cover embedded in an ID3v2.3 tag (a 1000 x 1000 JPEG, and one
//   of about 500 KB): the Host's album-art service opens the track and
//   hands the bytes over; the image cache decodes them for an 80 x 80 box
//   and GDI+ draws them there, as the default profile's now-playing card
//   does; for comparison, GDI+ decoding the whole picture;
// - one second of 44.1 kHz stereo through all ten equalizer bands and
//   through Balance.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench_util.h"
#include "dsp/dsp_chain.h"
#include "jpeg_preview.h"
#include "media/art_reader.h"
#include "object/types/image_cache.h"
#include "support/gdiplus_jpeg.h"

namespace {

// A noisy picture encoded by GDI+ (Wine's encoder has one quality: the
// size in pixels sets the size in bytes).
std::vector<uint8_t> make_jpeg(int side) {
    Gdiplus::Bitmap bmp(side, side, PixelFormat24bppRGB);
    std::mt19937 rng(1);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            bmp.SetPixel(x, y,
                         Gdiplus::Color(255, BYTE(x / 4 + rng() % 40), BYTE(y / 4 + rng() % 40),
                                        BYTE((x + y) / 8 + rng() % 40)));
    return cor_test::encode_jpeg(bmp);
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

cor::service_ptr_t<cor::album_art_manager> g_service;

// What the component's album-art functions hand the image cache.
bool read_art(std::string_view path, std::string_view, std::vector<uint8_t>& out) {
    cor::album_art_extractor* raw = nullptr;
    if (!g_service->open(path.data(), path.size(), &raw)) return false;
    auto art = cor::service_ptr_t<cor::album_art_extractor>::adopt(raw);
    cor::string_out bytes;
    if (!art->query(cor::album_art_front_cover, bytes)) return false;
    out.assign(bytes.text.begin(), bytes.text.end());
    return true;
}

void bench_cover(int side, int rounds) {
    const std::vector<uint8_t> jpeg = make_jpeg(side);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "cor_art_bench.mp3";
    std::ofstream(path, std::ios::binary) << id3_with_cover(jpeg);
    const std::string reference = "\x05" + path + "\tcover_front\x05";
    auto& cache = vesk::image_cache::instance();
    Gdiplus::Bitmap target(80, 80, PixelFormat32bppARGB);
    Gdiplus::Graphics g(&target);
    const auto draw = [&](uint32_t want) {
        const auto item = cache.find_or_load(reference, want);
        if (item && item->image())
            vesk::draw_cache_item(g, *item, {0, 0, 80, 80}, std::nullopt, 255, std::nullopt, true);
        g.Flush(Gdiplus::FlushIntentionSync);
    };
    const auto find = [&] {
        std::vector<uint8_t> bytes;
        (void)read_art(path, "cover_front", bytes);
    };
    const auto decode = [&] {
        cor::t_jpeg_preview preview;
        (void)cor::read_jpeg_preview(jpeg.data(), jpeg.size(), 80, 80, preview);
    };
    const auto card = [&] {
        cache.clear();
        draw(80);
    };
    const auto redraw = [&] { draw(80); };
    const auto whole = [&] {
        cache.clear();
        draw(0);
    };
    struct row {
        const char* name;
        std::function<void()> body;
        int n;
    } rows[] = {
        {"found (the service hands the bytes over)", find, 20},
        {"the reduced decode alone", decode, 20},
        {"found, decoded for 80 x 80 and drawn", card, 10},
        {"drawn again from the cache", redraw, 20},
        {"found, decoded whole by GDI+ and drawn", whole, 3},
    };
    // Wall time and this thread's processor time (which the other builds
    // sharing the machine do not inflate), each row interleaved with the
    // others.
    cor_bench::interleaved all;
    for (const row& r : rows) {
        all.add(std::string(r.name) + ", wall", r.body,
                cor_bench::interleaved::options().runs(uint64_t(r.n)));
        all.add(std::string(r.name) + ", processor", r.body,
                cor_bench::interleaved::options()
                    .runs(uint64_t(r.n))
                    .timed_by(cor_bench::thread_cpu_ns));
    }
    std::printf("album art, %d x %d JPEG of %zu bytes:\n", side, side, jpeg.size());
    all.run(rounds, 0);
    all.print("ms", 1e6);
    cache.clear();
    DeleteFileA(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int rounds = cor_bench::rounds_argument(argc, argv, 7);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput in;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &in, nullptr);
    g_service = cor::make_album_art_service();
    vesk::set_album_art_reader(read_art);
    bench_cover(1000, rounds);
    bench_cover(1400, rounds);
    g_service.reset();
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
    // Chains live as long as the rounds; each works on its own copy.
    std::deque<std::pair<cor::dsp_chain, std::vector<int16_t>>> chains;
    cor_bench::interleaved dsp;
    for (const auto& r : rows) {
        auto& [chain, work] = chains.emplace_back();
        if (!chain.set(r.chain)) return 1;
        work = second;
        dsp.add(
            r.name, [&chain, &work] { chain.process_s16(work.data(), rate, 2, rate); },
            cor_bench::interleaved::options().runs(3));
    }
    std::printf("DSP chain, one second of 44.1 kHz stereo (ms / 10 = %% of one core):\n");
    dsp.run(rounds, 0);
    dsp.print("ms", 1e6);
    return 0;
}
