// A skin at 125 %, 150 % and 200 % display scaling: the same numbers, in
// skin pixels, place the window and its objects at their multiples on the
// screen; text is drawn at the screen's resolution, not stretched; the
// mouse and the placement fields speak skin pixels.
#include <cmath>
#include <cstdlib>
#include <map>

#include "drawing/drawing_fixture.h"
#include "host/display_scale.h"
#include "host/identity.h"
#include "host/settings.h"
#include "registry/window_registry.h"
#include "script/stored_scripts.h"
#include "support/gdiplus_jpeg.h"
#include "support/test_folder.h"

namespace drawing_test {
namespace {

class Scale : public Drawing {
protected:
    std::map<std::string, cor::guid> defined_;

    // Runs "$window(id<args>)", defining the window first; its handle, or
    // null when it did not open.
    HWND open(const std::string& id, const std::string& args = "") {
        auto [it, added] = defined_.try_emplace(id);
        if (added) {
            it->second = vesk::make_identity();
            vesk::add_definition(it->second, id, id);
            vesk::prepare_all();
        }
        run("$window(" + id + args + ")");
        const size_t at = vesk::open_window_by_guid(it->second);
        return at == vesk::no_window ? nullptr
                                     : reinterpret_cast<HWND>(vesk::open_windows()[at].hwnd);
    }
};

struct t_scaled_window {
    HWND wnd = nullptr;
    vesk::window_paint_target* target = nullptr;
};

// The rectangle (exclusive right and bottom) of `dc`'s pixels in `area`
// that satisfy `is_ink`.
RECT ink_of(HDC dc, RECT area, bool (*is_ink)(COLORREF)) {
    GdiFlush();
    RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            if (is_ink(GetPixel(dc, x, y) & 0xFFFFFF)) {
                found = {std::min(found.left, x), std::min(found.top, y),
                         std::max(found.right, x + 1), std::max(found.bottom, y + 1)};
            }
    return found.left == LONG_MAX ? RECT{} : found;
}

// A picture of one colour, `w` by `h`, at `path`.
void write_solid(const std::wstring& path, int w, int h, Gdiplus::ARGB colour) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bitmap.SetPixel(x, y, Gdiplus::Color(colour));
    const CLSID png = cor_test::encoder_for(L"image/png");
    ASSERT_EQ(bitmap.Save(path.c_str(), &png, nullptr), Gdiplus::Ok);
}

bool is_red(COLORREF c) { return c == RGB(255, 0, 0); }
bool is_dark(COLORREF c) { return GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128; }

TEST_F(Scale, SkinPixelsAtEachDisplayScale) {
    // A picture and its twice as dense copy beside it.
    cor_test::test_folder pictures;
    write_solid(pictures.file("pic.png").wstring(), 10, 10, Gdiplus::Color::Red);
    write_solid(pictures.file("pic@2x.png").wstring(), 20, 20, Gdiplus::Color::Blue);
    // One whose dense copy has a detail in every pixel: columns of two colours.
    write_solid(pictures.file("duo.png").wstring(), 10, 10, Gdiplus::Color::Red);
    {
        Gdiplus::Bitmap striped(20, 20, PixelFormat32bppARGB);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                striped.SetPixel(
                    x, y, Gdiplus::Color(x % 2 ? Gdiplus::Color::Blue : Gdiplus::Color::Lime));
        const CLSID png = cor_test::encoder_for(L"image/png");
        ASSERT_EQ(striped.Save(pictures.file("duo@2x.png").wstring().c_str(), &png, nullptr),
                  Gdiplus::Ok);
    }
    LONG glow_reach_at_96 = 0;
    LONG glyph_height_at_96 = 0;
    // The client area is the skin's scaled; the frame is the platform's.
    const auto client_size = [](HWND wnd) {
        RECT cr{};
        GetClientRect(wnd, &cr);
        return SIZE{cr.right, cr.bottom};
    };
    SIZE client_at_96{};
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE("DPI " + std::to_string(dpi));
        const double s = dpi / 96.0;
        const auto at_multiple = [&](LONG actual, double skin) {
            EXPECT_LE(std::abs(actual - std::lround(skin * s)), 1) << skin << " skin pixels";
        };
        vesk::set_dpi_override(dpi);
        const std::string id = "scaled" + std::to_string(dpi);
        const HWND wnd = open(id, ",40,30,300,200");
        ASSERT_NE(wnd, nullptr);
        auto* const surface = vesk::paint_target_of(wnd);
        ASSERT_NE(surface, nullptr);
        const HDC dc = surface->back_buffer_dc();

        // The window's place and size, and what scripts read of them.
        RECT wr{};
        GetWindowRect(wnd, &wr);
        at_multiple(wr.left, 40);
        if (dpi == 96) client_at_96 = client_size(wnd);
        at_multiple(client_size(wnd).cx, client_at_96.cx);
        at_multiple(client_size(wnd).cy, client_at_96.cy);
        EXPECT_EQ(host.eval("$w(" + id + ",_x),$w(" + id + ",_width),$w(" + id + ",_height),$w(" +
                            id + ",_scale)"),
                  "40,300,200," + std::to_string(dpi * 100 / 96));

        // (Kept clear of where the player's end-to-end suite, running
        // beside this one, puts its window: 700, 480.)
        run("$movewindow(" + id + ",20,10,250,180)");
        GetWindowRect(wnd, &wr);
        at_multiple(wr.top, 10);
        at_multiple(client_size(wnd).cx, client_at_96.cx - 50);
        EXPECT_EQ(host.eval("$w(" + id + ",_y),$w(" + id + ",_width)"), "10,250");

        // Shapes land at their multiples; text is as many times taller.
        run("$gp_rect(" + id + ",10,20,30,40,brush:255-255-0-0)");
        run("$text(" + id + ",H,100,20,font-size:20,fg:000000)");
        surface->redraw(true);
        if (auto* g = surface->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
        const RECT red =
            ink_of(dc, vesk::t_display_scale{dpi}.to_screen(RECT{0, 0, 80, 100}), is_red);
        at_multiple(red.left, 10);
        at_multiple(red.top, 20);
        at_multiple(red.right, 40);
        at_multiple(red.bottom, 60);
        const RECT glyph =
            ink_of(dc, vesk::t_display_scale{dpi}.to_screen(RECT{95, 15, 160, 70}), is_dark);
        ASSERT_GT(glyph.bottom - glyph.top, 0);
        if (dpi == 96) glyph_height_at_96 = glyph.bottom - glyph.top;
        EXPECT_NEAR(static_cast<double>(glyph.bottom - glyph.top), glyph_height_at_96 * s,
                    1.0 + glyph_height_at_96 * s * 0.1);
        if (dpi == 192) {
            // Not a copy stretched twice: some pair of neighbouring columns
            // that a stretch would have made one differs.
            bool differs = false;
            for (LONG y = glyph.top; y < glyph.bottom && !differs; ++y)
                for (LONG x = glyph.left & ~1L; x + 1 < glyph.right && !differs; x += 2)
                    differs = GetPixel(dc, x, y) != GetPixel(dc, x + 1, y);
            EXPECT_TRUE(differs);
        }

        // From 150 % on, a picture in a box of its size is its "@2x" copy.
        run("$gp_image(" + id + "," + pictures.path("pic.png") + ",200,120,10,10)");
        surface->redraw(true);
        if (auto* g = surface->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
        GdiFlush();
        const COLORREF centre = GetPixel(dc, static_cast<int>(std::lround(205 * s)),
                                         static_cast<int>(std::lround(125 * s)));
        EXPECT_EQ(centre & 0xFFFFFF, dpi >= 144 ? RGB(0, 0, 255) : RGB(255, 0, 0));

        // A glow, and a picture at its own size copied once ("cache2"), are
        // made from the screen's pixels, not stretched from skin pixels: at
        // 200 % neighbouring columns differ where a stretch would pair them.
        // The copy is the "@2x" one there, in the same ten skin pixels.
        run("$gp_image(" + id + "," + pictures.path("duo.png") + ",170,120,0,0,cache2:1)");
        run("$gp_rect(" + id + ",200,40,10,10,brush:255-0-0-255,glow:0-0-255-3-9)");
        surface->redraw(true);
        if (auto* g = surface->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
        const auto screen = [s](double skin) { return static_cast<int>(std::lround(skin * s)); };
        const auto pairs_differ = [&](int from, int to, int y) {
            for (int x = from & ~1; x + 1 < to; x += 2)
                if (GetPixel(dc, x, y) != GetPixel(dc, x + 1, y)) return true;
            return false;
        };
        const RECT duo = ink_of(dc, vesk::t_display_scale{dpi}.to_screen(RECT{165, 115, 190, 140}),
                                [](COLORREF c) { return c != RGB(255, 255, 255); });
        at_multiple(duo.left, 170);
        at_multiple(duo.right, 180);
        if (dpi == 192) {
            EXPECT_TRUE(pairs_differ(duo.left, duo.right, screen(125)));
        }
        // The glow reaches past the rectangle's right edge as far in skin pixels.
        LONG reach = 0;
        while (reach < screen(30) &&
               GetPixel(dc, screen(210) + reach, screen(45)) != RGB(255, 255, 255))
            ++reach;
        if (dpi == 96) glow_reach_at_96 = reach;
        EXPECT_NEAR(reach, glow_reach_at_96 * s, 2.0);
        if (dpi == 192) {
            EXPECT_TRUE(pairs_differ(screen(210), screen(210) + reach, screen(45)));
        }

        // A press at a map's place on the screen reaches it, at skin pixels
        // in the window and on the screen; dragging it moves the window as
        // far as the mouse went.
        const std::string map = host.eval("$map(" + id +
                                          ",drag:true,lbuttondown:'$console(down "
                                          "%_mouse_cx% %_mouse_sx%)')");
        host.eval("$map_rect(" + map + ",150,100,40,40)");
        host.take_lines();
        const int x = screen(160), y = screen(110);
        POINT origin{0, 0};
        ClientToScreen(wnd, &origin);
        RECT before{};
        GetWindowRect(wnd, &before);
        // A map is hit where its window is the one under the point: kept on
        // top of the windows other suites show on the shared display.
        SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + screen(30), y + screen(20)));
        RECT dragged{};
        GetWindowRect(wnd, &dragged);
        EXPECT_NEAR(dragged.left - before.left, 30 * s, 1.0);
        EXPECT_NEAR(dragged.top - before.top, 20 * s, 1.0);
        // Back (the mouse stands at the same client point of the moved
        // window): within the pixel a fractional scale rounds away.
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x - screen(30), y - screen(20)));
        GetWindowRect(wnd, &dragged);
        EXPECT_NEAR(dragged.left, before.left, 1);
        SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        // (The stored place is read at the end.)
        SetWindowPos(wnd, nullptr, before.left, before.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // (The window closes with the map under the mouse: the next
        // window's map is entered at the first move all the same.)
        const auto lines = host.take_lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].substr(0, 9), "down 160 ");
        EXPECT_NEAR(std::atof(lines[0].c_str() + 9), origin.x / s + 160, 1.0);

        // Controls are windows of their own, placed and hit on the screen.
        host.eval("$button(" + id + ",Play,60,150,80,24,'$console(play)')");
        host.eval("$combobox(" + id + ",160,150,100,24)");
        surface->redraw(true);
        const struct {
            const wchar_t* cls;
            int left, width;
        } controls[] = {{L"Button", 60, 80}, {L"ComboBox", 160, 100}};
        for (const auto& c : controls) {
            const HWND control = FindWindowExW(wnd, nullptr, c.cls, nullptr);
            ASSERT_NE(control, nullptr);
            RECT cr{};
            GetWindowRect(control, &cr);
            MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&cr), 2);
            at_multiple(cr.left, c.left);
            at_multiple(cr.top, 150);
            at_multiple(cr.right - cr.left, c.width);
            EXPECT_EQ(ChildWindowFromPoint(wnd, POINT{cr.left + 2, cr.top + 2}), control);
        }

        // Closed and opened at another scale, the stored place is the same
        // in skin pixels.
        DestroyWindow(wnd);
        vesk::set_dpi_override(dpi == 96 ? 192 : 96);
        const HWND reopened = open(id);
        ASSERT_NE(reopened, nullptr);
        EXPECT_EQ(host.eval("$w(" + id + ",_x),$w(" + id + ",_width)"), "20,250");
        DestroyWindow(reopened);
        host.pump();
    }

    // Moved onto a monitor of twice the scale: the window takes the place
    // the platform suggests and draws its skin again at the new scale.
    {
        vesk::set_dpi_override(96);
        const HWND wnd = open("moving", ",40,30,300,200");
        ASSERT_NE(wnd, nullptr);
        run("$gp_rect(moving,10,20,30,40,brush:255-255-0-0)");
        host.eval("$button(moving,Play,60,150,80,24,'$console(play)')");
        vesk::paint_target_of(wnd)->redraw(true);
        vesk::set_dpi_override(192);
        RECT suggested{80, 60, 680, 460};
        SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(192, 192),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT wr{};
        GetWindowRect(wnd, &wr);
        EXPECT_EQ(wr.left, 80);
        EXPECT_EQ(wr.right - wr.left, 600);
        auto* const surface = vesk::paint_target_of(wnd);
        ASSERT_NE(surface, nullptr);
        if (auto* g = surface->back_buffer_graphics()) g->Flush(Gdiplus::FlushIntentionSync);
        const RECT red = ink_of(surface->back_buffer_dc(), RECT{0, 0, 160, 200}, is_red);
        EXPECT_EQ(red.left, 20);
        EXPECT_EQ(red.bottom, 120);
        // Its controls follow.
        const HWND button = FindWindowExW(wnd, nullptr, L"Button", nullptr);
        ASSERT_NE(button, nullptr);
        RECT br{};
        GetWindowRect(button, &br);
        MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&br), 2);
        EXPECT_EQ(br.left, 120);
        EXPECT_EQ(br.right - br.left, 160);
        DestroyWindow(wnd);
    }

    // A place remembered at 100 % that reaches past the screen at 200 %
    // moves up to show whole, keeping its size and its left.
    {
        vesk::set_dpi_override(96);
        DestroyWindow(open("low", ",20,400,250,180"));
        vesk::set_dpi_override(192);
        const HWND low = open("low");
        ASSERT_NE(low, nullptr);
        RECT lr{};
        GetWindowRect(low, &lr);
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(low, MONITOR_DEFAULTTONEAREST), &mi));
        EXPECT_LE(lr.bottom, mi.rcWork.bottom);
        EXPECT_GT(lr.top, mi.rcWork.top);
        EXPECT_EQ(lr.left, 40);
        EXPECT_EQ(host.eval("$w(low,_width),$w(low,_height)"), "250,180");
        DestroyWindow(low);
    }

    // A profile that draws its own way: screen pixels one for one, and the
    // scale still told.
    vesk::set_dpi_override(192);
    vesk::cfg_skin_scaling = 0;
    const HWND wnd = open("own", ",40,30,300,200");
    ASSERT_NE(wnd, nullptr);
    RECT wr{};
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(wr.right - wr.left, 300);
    EXPECT_EQ(host.eval("$w(own,_width),$w(own,_scale)"), "300,200");
    DestroyWindow(wnd);
    vesk::cfg_skin_scaling = 1;
    vesk::set_dpi_override(0);
}

}  // namespace
}  // namespace drawing_test
