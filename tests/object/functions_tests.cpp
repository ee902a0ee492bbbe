// Object functions as scripts use them: the common steps and options of
// creating functions, and the functions acting on objects by identity,
// with their messages and thresholds.
#include "host/identity.h"
#include "host/settings.h"
#include "object/object_rig.h"
#include "script/error_report.h"
#include "support/case_table.h"
#include "support/window_probe.h"

namespace object_test {
namespace {

using lines_t = std::vector<std::string>;
using Creating = InMain;
using Functions = InMain;

test_rect* rect_of(vesk::object_manager& m, const std::string& id) {
    return dynamic_cast<test_rect*>(m.find(id));
}

TEST_F(Creating, WritesTheIdentityAndStoresWithoutPainting) {
    const std::string id = run("$test_rect(Main,10,20,30,40,color:FF0000)", w);
    ASSERT_EQ(id.size(), 36u);
    test_rect* r = rect_of(manager, id);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->parent, w.id);
    EXPECT_EQ(r->context, vesk::window_event_identity(w.id, vesk::ev_load));
    EXPECT_TRUE(r->visible);
    EXPECT_EQ((std::vector<int>{r->x, r->y, r->w, r->h}), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(pixel(w, 15, 25), white);  // shown only by a repaint
    full_paint(w);
    EXPECT_EQ(pixel(w, 15, 25), red);

    // The identity is also the call's result; window names ignore case.
    const std::string both = run("$test_rect(MAIN,1,1,5,5)|%_result%", w);
    ASSERT_EQ(both.size(), 73u);
    EXPECT_EQ(both.substr(0, 36), both.substr(37));
    EXPECT_TRUE(lines().empty());

    // Coordinates read unsigned, with the base point added.
    vesk::t_script_context ctx = w.context();
    ctx.base_x = 5;
    ctx.base_y = 7;
    r = rect_of(manager, run("$test_rect(Main,-5,3x,10,10)", ctx));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::vector<int>{r->x, r->y}), (std::vector<int>{5, 10}));
}

TEST_F(Creating, CommonOptions) {
    test_rect* hidden = rect_of(manager, run("$test_rect(Main,1,1,5,5,HIDE)", w));
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->visible);

    const std::string out =
        run("$test_rect(Main,10,20,30,40,mempos:1)|%_mp_left%,%_mp_top%,%_mp_right%,%_mp_bottom%,"
            "%_mp_width%,%_mp_height%",
            w);
    EXPECT_EQ(out.substr(36), "|10,20,40,60,30,40");

    // Later options win over earlier (measuring only is in data/calls.tsv).
    const size_t before = manager.object_count();
    EXPECT_EQ(run("$test_rect(Main,3,4,5,6,dmode:mem,dmode:object)", w).size(), 36u);
    EXPECT_EQ(manager.object_count(), before + 1);
    // Without a rectangle "mempos:" stores nothing.
    vesk::t_script_context ctx = w.context();
    run("$test_rect(Main,3,4,0,0,mempos:1)", ctx);
    EXPECT_EQ(ctx.map_right, 0);
    EXPECT_TRUE(lines().empty());
}

TEST_F(Creating, MemModePaintsOnceAndLeavesNothing) {
    full_paint(w);
    EXPECT_EQ(run("$if($test_rect(Main,10,10,20,20,color:0000FF,dmode:mem),done,no)", w), "done");
    EXPECT_EQ(manager.object_count(), 0u);
    EXPECT_EQ(pixel(w, 15, 15), blue);
    run("$clearobject(Main)", w);
    EXPECT_EQ(pixel(w, 15, 15), blue);  // nothing to clear: it is only paint
    full_paint(w);
    EXPECT_EQ(pixel(w, 15, 15), white);

    // Inside a combobox there is no back buffer to paint into.
    auto* box = store(w, std::make_unique<test_container>());
    EXPECT_EQ(run("$if($test_rect(" + text_of(box->id) + ",1,1,5,5,dmode:mem),yes,no)", w), "no");
    EXPECT_EQ(manager.object_count(), 1u);
}

// The calls of data/calls.tsv, each at the middle level unless it sets
// another: what it writes and prints, and that it makes, moves, shows,
// hides, changes or removes nothing.
TEST_F(Functions, CallTable) {
    define("Closed");
    const std::string id = run("$test_rect(Main,10,20,30,40)", w);
    test_rect* r = rect_of(manager, id);
    ASSERT_NE(r, nullptr);
    r->text = "hello, world";
    auto* box = store(w, std::make_unique<test_container>());
    const cor_test::names vars = {
        {"id", id},
        {"button",
         text_of(store(w, std::make_unique<test_control>(1, 1, 5, 5, RGB(0, 0, 0), 100))->id)},
        {"inside", run("$test_rect(" + text_of(box->id) + ",1,1,5,5)", w)},
        {"gone", run("$test_rect(Main,1,1,5,5)", w)}};
    ASSERT_EQ(run("$if($removeobject(" + vars[3].second + "),y,n)", w), "y");
    const auto state = [&] {
        return std::to_string(manager.object_count()) + " objects, " + std::to_string(r->x) + "," +
               std::to_string(r->y) + (r->visible ? " shown " : " hidden ") + r->text;
    };
    const std::string before = state();
    for (const auto& row : cor_test::read_case_table("object/data/calls.tsv", 3)) {
        host.expect_row(row, 0, vars, [&](const std::string& script) {
            vesk::set_error_level(vesk::err_middle);
            return run(script, w);
        });
        EXPECT_EQ(state(), before) << row.where << ": " << row.fields[0];
    }
    manager.clear_parent(box->id, vesk::object::cat_all_objects);
}

// Hiding, showing and the z-order show at the next repaint, or at once with redraw.
TEST_F(Functions, ShowObjectIsObjectVisibleAndSetObjectZorder) {
    const std::string id = run("$test_rect(Main,10,10,40,40,color:FF0000)", w);
    run("$test_rect(Main,30,30,40,40,color:0000FF)", w);
    full_paint(w);
    EXPECT_EQ(run("$isobjectvisible(" + id + ")|$if($isobjectvisible(" + id + "),y,n)", w), "1|y");
    EXPECT_EQ(run("$showobject(" + id + ",0)$isobjectvisible(" + id + ")|$if($isobjectvisible(" +
                      id + "),y,n)|%_result%",
                  w),
              "0|n|0");
    EXPECT_EQ(pixel(w, 15, 15), red);
    run("$showobject(" + id + ",off,redraw:1)", w);
    EXPECT_EQ(pixel(w, 15, 15), white);
    EXPECT_EQ(run("$if($showobject(" + id + ",on,REDRAW:true),y,n)", w), "y");
    EXPECT_EQ(colours(w, "15,15 40,40"), "red blue");

    run("$setobjectzorder(" + id + ",TOP)", w);
    EXPECT_EQ(pixel(w, 40, 40), blue);
    full_paint(w);
    EXPECT_EQ(pixel(w, 40, 40), red);
    EXPECT_EQ(run("$if($setobjectzorder(" + id + ",Bottom,redraw:1),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 40, 40), blue);
    EXPECT_TRUE(lines().empty());
}

TEST_F(Functions, MoveObject) {
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    test_rect* r = rect_of(manager, id);
    full_paint(w);
    vesk::t_script_context ctx = w.context();
    ctx.base_x = 100;
    ctx.base_y = 50;
    EXPECT_EQ(run("$if($moveobject(" + id + ",-5,7),y,n)", ctx), "y");
    EXPECT_EQ((std::vector<int>{r->x, r->y}), (std::vector<int>{100, 57}));
    EXPECT_EQ(pixel(w, 15, 15), red);  // the next repaint shows it
    // With redraw the old place is erased and the new one painted.
    run("$moveobject(" + id + ",10,10,redraw:1)$moveobject(" + id + ",40,40,redraw:1)", w);
    EXPECT_EQ(colours(w, "15,15 45,45"), "white red");
    // A hidden object only changes its position, and stays hidden.
    run("$showobject(" + id + ",0)$moveobject(" + id + ",70,70,redraw:1)", w);
    EXPECT_EQ(colours(w, "75,75 45,45"), "white red");
    EXPECT_FALSE(r->visible);
    // A small step: the strip left behind is cleared and the new one
    // painted, while a mark in the corner of both places' bounds, outside
    // either place, stays.
    const std::string step = run("$test_rect(Main,120,20,20,20,color:FF0000)", w);
    full_paint(w);
    fill(w, {140, 20, 143, 23}, green);
    run("$moveobject(" + step + ",123,23,redraw:1)", w);
    EXPECT_EQ(colours(w, "121,21 141,21 125,25 141,41"), "white green red red");
    EXPECT_TRUE(lines().empty());
}

TEST_F(Functions, UpdateAndRemoveObject) {
    const std::string a = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    const std::string b = run("$test_rect(Main,50,10,20,20,color:0000FF)", w);
    // $updateobject paints its object at once, and only that.
    EXPECT_EQ(run("$if($updateobject(" + a + "),y,n)", w), "y");
    EXPECT_EQ(colours(w, "15,15 55,15"), "red white");
    run("$updateobject(" + a + ",1)$updateobject()$updateobject(" + a.substr(1) + "0)", w);
    EXPECT_EQ(lines(), (lines_t{"$updateobject: invalid syntax", "$updateobject: invalid syntax",
                                "$updateobject: object '" + a.substr(1) + "0' not found"}));
    full_paint(w);
    EXPECT_EQ(run("$if($removeobject(" + a + "),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 15, 15), red);  // still painted until a repaint
    EXPECT_EQ(run("$if($REMOVECTRL(" + b + ",redraw:1),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 55, 15), white);  // erased first
    EXPECT_EQ(manager.object_count(), 0u);
}

// The repaints of one run (the rows of data/repaints.tsv) are gathered and
// painted when it ends, each place once, and invalidated.
TEST_F(Functions, RepaintsOfOneRunShowWhatEachSawAndReachTheScreenOnce) {
    for (const auto& row : cor_test::read_case_table("object/data/repaints.tsv", 4)) {
        SCOPED_TRACE(row.where + ": " + row.fields[0]);
        const std::string a = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
        const std::string b = run("$test_rect(Main,20,20,20,20,color:0000FF)", w);
        full_paint(w);
        test_rect* under = rect_of(manager, a);
        ASSERT_NE(under, nullptr);
        under->color = RGB(255, 255, 0);
        const int draws = under->draws;
        run(cor_test::case_field(row, 0, {{"A", a}, {"B", b}}), w);
        EXPECT_EQ(colours(w, row.fields[1]), row.fields[2]);
        EXPECT_EQ(under->draws - draws, std::stoi(row.fields[3]));
        // Invalidated, and painted on the screen as in the back buffer.
        RECT update{};
        EXPECT_TRUE(GetUpdateRect(w.wnd, &update, FALSE));
        EXPECT_TRUE(PtInRect(&update, POINT{15, 15}));
        UpdateWindow(w.wnd);
        EXPECT_EQ(cor_test::screen_pixel(w.wnd, 15, 15), pixel(w, 15, 15));
        run("$clearobject(Main)", w);
        full_paint(w);
    }
    EXPECT_TRUE(lines().empty());
}

TEST_F(Functions, ClearObjectKeepsControls) {
    const window& main = w;
    const window other = open("Other");
    const std::string text = run("$test_rect(Main,10,10,20,20,color:FF0000)", main);
    const cor::guid button =
        store(main, std::make_unique<test_control>(50, 10, 20, 20, RGB(0, 0, 0), 100))->id;
    const std::string elsewhere = run("$test_rect(Other,10,10,20,20)", other);
    const cor::guid area = store(main, std::make_unique<test_area>(RECT{0, 0, 5, 5}))->id;
    full_paint(main);
    EXPECT_EQ(run("$if($clearobject(main),y,n)", main), "y");
    EXPECT_EQ(manager.find(text), nullptr);
    EXPECT_EQ(manager.find(area), nullptr);
    EXPECT_EQ(manager.order_list().count(main.id), 1u);
    EXPECT_NE(manager.find(button), nullptr);
    EXPECT_NE(manager.find(elsewhere), nullptr);
    EXPECT_EQ(pixel(main, 15, 15), red);  // gone, but painted until a repaint

    run("$test_rect(Main,10,10,20,20,color:FF0000)", main);
    full_paint(main);
    fill(main, {50, 10, 70, 30}, white);
    run("$clearobject(Main,redraw:1)", main);
    // The whole window was repainted: background, then what is left.
    EXPECT_EQ(colours(main, "15,15 55,15"), "white black");
    EXPECT_NE(manager.find(button), nullptr);
    // Clearing the controls as well leaves the window no order entry.
    EXPECT_TRUE(manager.clear_parent(main.id, vesk::object::cat_control));
    EXPECT_EQ(manager.order_list().count(main.id), 0u);
    EXPECT_EQ(manager.object_count(), 1u);
}

TEST_F(Functions, ClearObjectByEvent) {
    const std::string loaded = run("$test_rect(Main,1,1,5,5)", w, vesk::ev_load);
    const std::string resized = run("$test_rect(Main,1,1,5,5)", w, vesk::ev_resize);
    const cor::guid resize = vesk::window_event_identity(w.id, vesk::ev_resize);
    const cor::guid resized_button =
        store(w, std::make_unique<test_control>(1, 1, 5, 5, RGB(0, 0, 0), 100), resize)->id;
    vesk::t_script_context outside;  // a timer or player event: no window
    const std::string unowned = run("$test_rect(Main,1,1,5,5)", outside);
    const cor::guid area = store(w, std::make_unique<test_area>(RECT{0, 0, 5, 5}), resize)->id;
    ASSERT_EQ(manager.object_count(), 5u);

    run("$clearobject(Main,event:ReSiZe)", outside);
    EXPECT_NE(manager.find(loaded), nullptr);
    EXPECT_EQ(manager.find(resized), nullptr);
    EXPECT_EQ(manager.find(area), nullptr);
    EXPECT_NE(manager.find(resized_button), nullptr);
    EXPECT_NE(manager.find(unowned), nullptr);
    EXPECT_EQ(manager.order_list().count(w.id), 3u);
    run("$clearobject(Main,event:load,redraw:0)", w);
    EXPECT_EQ(manager.find(loaded), nullptr);
    EXPECT_NE(manager.find(unowned), nullptr);
    EXPECT_TRUE(lines().empty());
}

// With redraw the old and the new area are repainted; a hidden object stays
// hidden, and a refused setting leaves it hidden. Properties take no base
// point, and settings before a refused one stay applied.
TEST_F(Functions, SetParam) {
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    test_rect* r = rect_of(manager, id);
    full_paint(w);
    EXPECT_EQ(run("$if($setparam(" + id + ",1,x:60),y,n)", w), "y");
    EXPECT_EQ(colours(w, "15,15 65,15"), "white red");
    EXPECT_TRUE(r->visible);
    r->visible = false;
    run("$setparam(" + id + ",1,x:10)", w);
    EXPECT_FALSE(r->visible);
    EXPECT_EQ(colours(w, "65,15 15,15"), "white white");
    r->visible = true;
    run("$setparam(" + id + ",1,h:3)", w);
    EXPECT_FALSE(r->visible);
    EXPECT_EQ(lines(), lines_t{"$setparam: unsupported option 'h:3'"});

    vesk::t_script_context ctx = w.context();
    ctx.base_x = 100;
    EXPECT_EQ(run("$if($setparam(" + id + ",0,TEXT:a:b,x:-7,y: 12),y,n)", ctx), "y");
    EXPECT_EQ((std::vector<int>{r->x, r->y}), (std::vector<int>{-7, 12}));
    EXPECT_EQ(r->text, "a:b");
    EXPECT_EQ(run("$if($setparam(" + id + ",0,x:3,w:5,y:9),y,n)", w), "n");
    EXPECT_EQ((std::vector<int>{r->x, r->y}), (std::vector<int>{3, 12}));
    EXPECT_EQ(lines(), lines_t{"$setparam: unsupported option 'w:5'"});
}

}  // namespace
}  // namespace object_test
