// Painting the drawn object types into a window's back buffer at typical
// sizes, the glow pipeline around a 200 by 60 text object (and its blur
// alone against the plain 121-tap sum), and the image cache: a hit against
// a miss that reads and decodes the file again.
#include <windows.h>

#include <gdiplus.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "host/host_services.h"
#include "object/grammar/glow.h"
#include "object/object_manager.h"
#include "object/types/image_cache.h"
#include "registry/window_services.h"
#include "script/tf_hook.h"
#include "support/component_host.h"
#include "utf8.h"

namespace {

std::string run(const std::string& script) {
    const auto compiler = vesk::host::compiler();
    cor::titleformat_object* raw = nullptr;
    if (!compiler->compile(&raw, script.data(), script.size()) || !raw) return {};
    auto compiled = cor::service_ptr_t<cor::titleformat_object>::adopt(raw);
    vesk::t_script_context ctx;
    vesk::vesk_tf_hook hook(ctx);
    cor::string_out out;
    compiled->run(&hook, out);
    return out.text;
}

std::string write_png(const std::string& path, int w, int h) {
    UINT count = 0, bytes = 0;
    Gdiplus::GetImageEncodersSize(&count, &bytes);
    std::vector<uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, bytes, codecs);
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bitmap.SetPixel(x, y, Gdiplus::Color(255, BYTE(x * 3), BYTE(y * 5), BYTE(x ^ y)));
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png")
            bitmap.Save(cor::to_wide(path).c_str(), &codecs[i].Clsid, nullptr);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    cor_bench::print_load_average();
    const int rounds = cor_bench::rounds_argument(argc, argv, 11);
    cor_test::component_host host;
    const HWND main = host.start_ui();
    vesk::window_paint_target* target = main ? vesk::paint_target_of(main) : nullptr;
    if (!target || !target->back_buffer_dc()) {
        std::printf("no main window\n");
        return 1;
    }
    const HDC dc = target->back_buffer_dc();
    Gdiplus::Graphics* graphics = target->back_buffer_graphics();
    auto& manager = vesk::object_manager::instance();

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string folder = cor::to_utf8(temp);
    const std::string picture = write_png(folder + "vesk_bench_picture.png", 100, 100);

    // Each object is made once; every round paints each of them once.
    cor_bench::interleaved objects, glow, cache_figures;
    std::vector<std::string> made;
    const auto paint_into = [&](cor_bench::interleaved& group, const char* label,
                                const std::string& script) {
        const std::string id = run(script);
        vesk::object::object_base* obj = manager.find(id);
        if (!obj) {
            std::printf("%-58s not created\n", label);
            return;
        }
        made.push_back(id);
        group.add(label, [=] {
            obj->draw(main, dc, graphics);
            graphics->Flush(Gdiplus::FlushIntentionSync);
        });
    };
    const auto paint = [&](const char* label, const std::string& script) {
        paint_into(objects, label, script);
    };
    paint("$text 11 pt, 24 characters", "$text(main,Now playing: a song title,10,10)");
    paint("$drawtext 200 x 60, wrapped, centred",
          "$drawtext(main,Now playing: a song title by an artist,10,10,200,60,halign:center,"
          "valign:middle)");
    paint("$gp_line 2 px", "$gp_line(main,10,10,210,70,pen:255-0-0-0-2)");
    paint("$gp_line with gradient pen", "$gp_line(main,10,10,210,70,grad:10-0-210-0)");
    paint("$gp_rect 200 x 60, brush and pen",
          "$gp_rect(main,10,10,200,60,brush:255-40-80-200,pen:255-0-0-0)");
    paint("$gp_rect 200 x 60, gradient",
          "$gp_rect(main,10,10,200,60,grad:10-10-210-10-255-255-0-0-255-0-0-255)");
    paint("$gp_rect 200 x 60, aa:false", "$gp_rect(main,10,10,200,60,brush:255-40-80-200,aa:0)");
    paint("$gp_roundrect 200 x 60, corners 10",
          "$gp_roundrect(main,10,10,200,60,10,10,brush:255-40-80-200)");
    paint("$gp_circle 60 x 60", "$gp_circle(main,10,10,60,60,brush:255-40-80-200)");
    paint("$gp_pie 60 x 60, 120 degrees", "$gp_pie(main,10,10,60,60,0,120,brush:255-40-80-200)");
    paint("$gp_polygon 5 points",
          "$gp_polygon(main,5,10,10,90,20,110,70,50,90,5,60,brush:255-0-0-0)");
    paint("$gp_arc 60 x 60, 180 degrees", "$gp_arc(main,10,10,60,60,0,180,pen:255-0-0-0-3)");
    paint("$gp_rect 200 x 60 with shadow right_bottom-4-1 (4 layers)",
          "$gp_rect(main,10,10,200,60,brush:255-40-80-200,shadow:right_bottom-4-1)");
    paint("$gp_text 11 pt, 24 characters, filled",
          "$gp_text(main,Now playing: a song title,10,10,0,0,brush:255-0-0-0)");
    paint("$gp_text 16 pt, outlined and filled, shadow (3 layers)",
          "$gp_text(main,Now playing: a song title,10,10,0,0,font-size:16,brush:255-250-250-250,"
          "pen:255-0-0-0,shadow:right_bottom-3-1)");
    paint("$gp_image 100 x 100 PNG, natural size (cached)",
          "$gp_image(main," + picture + ",10,10)");
    paint("$gp_image 100 x 100 PNG scaled to 200 x 200",
          "$gp_image(main," + picture + ",10,10,200,200)");
    paint("$gp_image 100 x 100 PNG, alpha:128",
          "$gp_image(main," + picture + ",10,10,0,0,alpha:128)");
    paint("$gp_image 100 x 100 PNG, cache2 (block copy)",
          "$gp_image(main," + picture + ",10,10,0,0,cache2:1)");

    paint_into(glow, "$drawtext 200 x 60 without glow",
               "$drawtext(main,Now playing: a song title by an artist,10,10,200,60,font-size:14)");
    paint_into(glow, "$drawtext 200 x 60 with glow (230 x 90 area)",
               "$drawtext(main,Now playing: a song title by an artist,10,10,200,60,font-size:14,"
               "glow:255-200-0-2-6)");
    paint_into(glow, "$gp_rect 200 x 60 with glow (222 x 82 area)",
               "$gp_rect(main,20,20,200,60,brush:255-40-80-200,glow:255-200-0-2-6)");
    {
        constexpr int w = 230, h = 90;
        static std::vector<uint32_t> in(size_t(w) * h), out(in.size());
        for (size_t i = 0; i < in.size(); ++i) in[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
        glow.add("box blur 11 x 11 on 230 x 90, running sums",
                 [] { vesk::grammar::box_blur(in.data(), out.data(), w, h); });
        const auto direct = [] {
            for (int y = 5; y < h - 5; ++y)
                for (int x = 5; x < w - 5; ++x) {
                    uint32_t s[3] = {0, 0, 0};
                    for (int dy = -5; dy <= 5; ++dy)
                        for (int dx = -5; dx <= 5; ++dx) {
                            const uint32_t p = in[size_t(y + dy) * w + size_t(x + dx)];
                            s[0] += p & 0xFF;
                            s[1] += p >> 8 & 0xFF;
                            s[2] += p >> 16 & 0xFF;
                        }
                    out[size_t(y) * w + size_t(x)] =
                        s[2] / 121 << 16 | s[1] / 121 << 8 | s[0] / 121;
                }
        };
        static std::vector<uint32_t> object(in.size(), 0x7F7F7F), result(in.size());
        for (int y = 30; y < 60; ++y)
            for (int x = 15; x < 215; ++x) object[size_t(y) * w + size_t(x)] = 0x102030;
        static vesk::grammar::glow g;
        (void)vesk::grammar::parse_glow("255-200-0-2-6", g);
        glow.add("glow arithmetic alone on 230 x 90 (spread, 2 blurs, blend)", [] {
            vesk::grammar::glow_compose(object.data(), in.data(), w, h, g, 0x7F7F7F, result.data());
        });
        glow.add("box blur 11 x 11 on 230 x 90, direct 121-tap sum (reference)", direct);
    }

    auto& cache = vesk::image_cache::instance();
    (void)cache.find_or_load(picture);
    cache_figures.add("find_or_load, hit", [&] { (void)cache.find_or_load(picture); });
    cache_figures.add("find_or_load, miss (read the file, open the decoder)", [&] {
        cache.drop(picture);
        (void)cache.find_or_load(picture);
    });
    paint_into(cache_figures, "paint with the picture cached (hit)",
               "$gp_image(main," + picture + ",10,10)");
    paint_into(cache_figures, "paint with cache:false (miss: read and decode each paint)",
               "$gp_image(main," + picture + ",10,10,0,0,cache:false)");

    const struct {
        const char* title;
        cor_bench::interleaved& group;
    } sections[] = {{"Paint one object into the back buffer (per paint)", objects},
                    {"Glow pipeline (per paint, object included)", glow},
                    {"Image cache (100 x 100 PNG)", cache_figures}};
    for (const auto& section : sections) {
        std::printf("\n%s\n", section.title);
        section.group.run(rounds, 2e6);
        section.group.print("us", 1000);
    }
    for (const std::string& id : made) run("$removeobject(" + id + ")");
    host.stop_ui();
    DeleteFileW(cor::to_wide(picture).c_str());
    return 0;
}
