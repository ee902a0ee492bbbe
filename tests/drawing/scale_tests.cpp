// A skin at 125 %, 150 % and 200 % display scaling: the same numbers, in
// skin pixels, place the window and its objects at their multiples on the
// screen; text is drawn at the screen's resolution, not stretched; the
// mouse and the placement fields speak skin pixels.
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "drawing/drawing_fixture.h"
#include "host/display_scale.h"
#include "host/settings.h"
#include "registry/window_registry.h"
#include "support/test_folder.h"

namespace drawing_test {
namespace {

bool is_red(COLORREF c) { return c == red; }
bool is_dark(COLORREF c) { return GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128; }
SIZE client_size(HWND wnd) {
    RECT cr{};
    GetClientRect(wnd, &cr);
    return SIZE{cr.right, cr.bottom};
}
// A child window's rectangle in its parent's client coordinates.
RECT in_parent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

using Scale = Drawing;

TEST_F(Scale, SkinPixelsAtEachDisplayScale) {
    // A picture and its twice as dense copy beside it; and one whose dense
    // copy has a detail in every pixel: columns of two colours.
    cor_test::test_folder pictures;
    const auto solid = [](Gdiplus::ARGB c) { return [c](int, int) { return c; }; };
    write_picture(pictures.file("pic.png"), 10, 10, solid(Gdiplus::Color::Red));
    write_picture(pictures.file("pic@2x.png"), 20, 20, solid(Gdiplus::Color::Blue));
    write_picture(pictures.file("duo.png"), 10, 10, solid(Gdiplus::Color::Red));
    write_picture(pictures.file("duo@2x.png"), 20, 20,
                  [](int x, int) { return x % 2 ? Gdiplus::Color::Blue : Gdiplus::Color::Lime; });
    LONG glow_reach_at_96 = 0, glyph_height_at_96 = 0;
    SIZE client_at_96{};  // the client area is the skin's scaled; the frame is the platform's
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE("DPI " + std::to_string(dpi));
        const double s = dpi / 96.0;
        const auto screen = [s](double skin) { return static_cast<int>(std::lround(skin * s)); };
        const auto at_multiple = [&](LONG actual, double skin) {
            EXPECT_LE(std::abs(actual - screen(skin)), 1) << skin << " skin pixels";
        };
        const auto to_screen = [dpi](RECT skin) {
            return vesk::t_display_scale{dpi}.to_screen(skin);
        };
        vesk::set_dpi_override(dpi);
        const std::string id = "scaled" + std::to_string(dpi);
        const HWND wnd = open(id, ",40,30,300,200");
        ASSERT_NE(wnd, nullptr);
        auto* const surface = vesk::paint_target_of(wnd);
        ASSERT_NE(surface, nullptr);

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

        // Shapes land at their multiples; text is as many times taller. From
        // 150 % on, a picture in a box of its size is its "@2x" copy. A glow,
        // and a picture at its own size copied once ("cache2", the "@2x" one
        // at 200 % in the same ten skin pixels), are made from the screen's
        // pixels, not stretched from skin pixels.
        run("$gp_rect(" + id + ",10,20,30,40,brush:255-255-0-0)");
        run("$text(" + id + ",H,100,20,font-size:20,fg:000000)");
        run("$gp_image(" + id + "," + pictures.path("pic.png") + ",200,120,10,10)");
        run("$gp_image(" + id + "," + pictures.path("duo.png") + ",170,120,0,0,cache2:1)");
        run("$gp_rect(" + id + ",200,40,10,10,brush:255-0-0-255,glow:0-0-255-3-9)");
        surface->redraw(true);
        const RECT box = ink(to_screen({0, 0, 80, 100}), is_red, surface);
        for (const auto& [got, skin] :
             {std::pair{box.left, 10}, {box.top, 20}, {box.right, 40}, {box.bottom, 60}})
            at_multiple(got, skin);
        const RECT glyph = ink(to_screen({95, 15, 160, 70}), is_dark, surface);
        ASSERT_GT(glyph.bottom - glyph.top, 0);
        if (dpi == 96) glyph_height_at_96 = glyph.bottom - glyph.top;
        EXPECT_NEAR(static_cast<double>(glyph.bottom - glyph.top), glyph_height_at_96 * s,
                    1.0 + glyph_height_at_96 * s * 0.1);
        EXPECT_EQ(pixel(screen(205), screen(125), surface), dpi >= 144 ? blue : red);
        const RECT duo = ink(
            to_screen({165, 115, 190, 140}), [](COLORREF c) { return c != white; }, surface);
        at_multiple(duo.left, 170);
        at_multiple(duo.right, 180);
        // The glow reaches past the rectangle's right edge as far in skin pixels.
        LONG reach = 0;
        while (reach < screen(30) && pixel(screen(210) + reach, screen(45), surface) != white)
            ++reach;
        if (dpi == 96) glow_reach_at_96 = reach;
        EXPECT_NEAR(reach, glow_reach_at_96 * s, 2.0);
        if (dpi == 192) {
            // Not stretched twice: some pair of neighbouring columns that a
            // stretch would have made one differs.
            const auto pairs_differ = [&](LONG from, LONG to, LONG y) {
                for (LONG x = from & ~1L; x + 1 < to; x += 2)
                    if (pixel(x, y, surface) != pixel(x + 1, y, surface)) return true;
                return false;
            };
            bool glyph_differs = false;
            for (LONG y = glyph.top; y < glyph.bottom; ++y)
                glyph_differs = glyph_differs || pairs_differ(glyph.left, glyph.right, y);
            EXPECT_TRUE(glyph_differs);
            EXPECT_TRUE(pairs_differ(duo.left, duo.right, screen(125)));
            EXPECT_TRUE(pairs_differ(screen(210), screen(210) + reach, screen(45)));
        }

        // A press at a map's place on the screen reaches it, at skin pixels
        // in the window and on the screen; dragging it moves the window as
        // far as the mouse went.
        const std::string map = host.eval(
            "$map(" + id + ",drag:true,lbuttondown:'$console(down %_mouse_cx% %_mouse_sx%)')");
        host.eval("$map_rect(" + map + ",150,100,40,40)");
        host.take_lines();
        const int x = screen(160), y = screen(110);
        POINT origin{0, 0};
        ClientToScreen(wnd, &origin);
        RECT before{}, dragged{};
        GetWindowRect(wnd, &before);
        // A map is hit where its window is the one under the point: kept on
        // top of the windows other suites show on the shared display.
        SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + screen(30), y + screen(20)));
        GetWindowRect(wnd, &dragged);
        EXPECT_NEAR(dragged.left - before.left, 30 * s, 1.0);
        EXPECT_NEAR(dragged.top - before.top, 20 * s, 1.0);
        // Back (the mouse stands at the same client point of the moved
        // window): within the pixel a fractional scale rounds away.
        SendMessageW(wnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x - screen(30), y - screen(20)));
        GetWindowRect(wnd, &dragged);
        EXPECT_NEAR(dragged.left, before.left, 1);
        SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        SetWindowPos(wnd, HWND_NOTOPMOST, before.left, before.top, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
        const auto lines = host.take_lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].substr(0, 9), "down 160 ");
        EXPECT_NEAR(std::atof(lines[0].c_str() + 9), origin.x / s + 160, 1.0);

        // Controls are windows of their own, placed and hit on the screen.
        host.eval("$button(" + id + ",Play,60,150,80,24,'$console(play)')");
        host.eval("$combobox(" + id + ",160,150,100,24)");
        surface->redraw(true);
        for (const auto& [cls, left, width] :
             {std::tuple{L"Button", 60, 80}, {L"ComboBox", 160, 100}}) {
            const HWND control = FindWindowExW(wnd, nullptr, cls, nullptr);
            ASSERT_NE(control, nullptr);
            const RECT cr = in_parent(control);
            at_multiple(cr.left, left);
            at_multiple(cr.top, 150);
            at_multiple(cr.right - cr.left, width);
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
    // the platform suggests and draws its skin and places its controls
    // again at the new scale.
    vesk::set_dpi_override(96);
    HWND wnd = open("moving", ",40,30,300,200");
    ASSERT_NE(wnd, nullptr);
    run("$gp_rect(moving,10,20,30,40,brush:255-255-0-0)");
    host.eval("$button(moving,Play,60,150,80,24,'$console(play)')");
    vesk::paint_target_of(wnd)->redraw(true);
    vesk::set_dpi_override(192);
    RECT suggested{80, 60, 680, 460}, wr{};
    SendMessageW(wnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(wr.left, 80);
    EXPECT_EQ(wr.right - wr.left, 600);
    auto* const moved = vesk::paint_target_of(wnd);
    ASSERT_NE(moved, nullptr);
    const RECT box = ink({0, 0, 160, 200}, is_red, moved);
    EXPECT_EQ(box.left, 20);
    EXPECT_EQ(box.bottom, 120);
    const HWND button = FindWindowExW(wnd, nullptr, L"Button", nullptr);
    ASSERT_NE(button, nullptr);
    const RECT br = in_parent(button);
    EXPECT_EQ(br.left, 120);
    EXPECT_EQ(br.right - br.left, 160);
    DestroyWindow(wnd);

    // A place remembered at 100 % that reaches past the screen at 200 %
    // moves up to show whole, keeping its size and its left.
    vesk::set_dpi_override(96);
    DestroyWindow(open("low", ",20,400,250,180"));
    vesk::set_dpi_override(192);
    wnd = open("low");
    ASSERT_NE(wnd, nullptr);
    GetWindowRect(wnd, &wr);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST), &mi));
    EXPECT_LE(wr.bottom, mi.rcWork.bottom);
    EXPECT_GT(wr.top, mi.rcWork.top);
    EXPECT_EQ(wr.left, 40);
    EXPECT_EQ(host.eval("$w(low,_width),$w(low,_height)"), "250,180");
    DestroyWindow(wnd);

    // A profile that draws its own way: screen pixels one for one, and the
    // scale still told.
    vesk::cfg_skin_scaling = 0;
    wnd = open("own", ",40,30,300,200");
    ASSERT_NE(wnd, nullptr);
    GetWindowRect(wnd, &wr);
    EXPECT_EQ(wr.right - wr.left, 300);
    EXPECT_EQ(host.eval("$w(own,_width),$w(own,_scale)"), "300,200");
    DestroyWindow(wnd);
    vesk::cfg_skin_scaling = 1;
    vesk::set_dpi_override(0);
}

}  // namespace
}  // namespace drawing_test
