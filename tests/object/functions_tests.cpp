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

// A step of a scenario in Main: a script ({name} standing for an object's
// identity), its output and console lines, then the back buffer's colours at
// the points; the script "repaint" paints the whole window instead.
struct t_step {
    std::string script, output = {}, points = {}, colours = {};
    lines_t console = {};
};

class Functions : public InMain {
protected:
    void walk(const cor_test::names& ids, std::initializer_list<t_step> steps) {
        for (const auto& step : steps) {
            const std::string script = cor_test::case_field({"", {step.script}}, 0, ids);
            SCOPED_TRACE(script);
            if (script == "repaint") {
                full_paint(w);
            } else {
                EXPECT_EQ(run(script, w), step.output);
            }
            EXPECT_EQ(lines(), step.console);
            EXPECT_EQ(step.points.empty() ? "" : colours(w, step.points), step.colours);
        }
    }
};

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
    r = rect_of(manager, run("$base(5,7)$test_rect(Main,-5,3x,10,10)", w));
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
    const cor_test::names ids = {{"A", run("$test_rect(Main,10,10,40,40,color:FF0000)", w)}};
    run("$test_rect(Main,30,30,40,40,color:0000FF)", w);
    walk(ids, {{"repaint"},
               {"$isobjectvisible({A})|$if($isobjectvisible({A}),y,n)", "1|y"},
               {"$showobject({A},0)$isobjectvisible({A})|$if($isobjectvisible({A}),y,n)|%_result%",
                "0|n|0", "15,15", "red"},
               {"$showobject({A},off,redraw:1)", "", "15,15", "white"},
               {"$if($showobject({A},on,REDRAW:true),y,n)", "y", "15,15 40,40", "red blue"},
               {"$setobjectzorder({A},TOP)", "", "40,40", "blue"},
               {"repaint", "", "40,40", "red"},
               {"$if($setobjectzorder({A},Bottom,redraw:1),y,n)", "y", "40,40", "blue"}});
}

TEST_F(Functions, MoveObject) {
    const cor_test::names ids = {{"A", run("$test_rect(Main,10,10,20,20,color:FF0000)", w)},
                                 {"B", run("$test_rect(Main,120,20,20,20,color:FF0000)", w)}};
    walk(ids, {{"repaint"},
               // Moved with the base point added; the next repaint shows it.
               {"$base(100,50)$if($moveobject({A},-5,7),y,n)|$getparam({A},x),$getparam({A},y)",
                "y|100,57", "15,15", "red"},
               // With redraw the old place is erased and the new one painted.
               {"$moveobject({A},10,10,redraw:1)$moveobject({A},40,40,redraw:1)", "", "15,15 45,45",
                "white red"},
               // A hidden object only changes its position, and stays hidden.
               {"$showobject({A},0)$moveobject({A},70,70,redraw:1)$isobjectvisible({A})", "0",
                "75,75 45,45", "white red"},
               {"repaint"}});
    // A small step: the strip left behind is cleared and the new one painted,
    // while a mark in the corner of both places' bounds, outside either, stays.
    fill(w, {140, 20, 143, 23}, green);
    walk(ids, {{"$moveobject({B},123,23,redraw:1)", "", "121,21 141,21 125,25 141,41",
                "white green red red"}});
}

// $updateobject paints its object at once, and only that; a removed object
// stays painted until a repaint, unless removed with redraw.
TEST_F(Functions, UpdateAndRemoveObject) {
    const cor_test::names ids = {{"A", run("$test_rect(Main,10,10,20,20,color:FF0000)", w)},
                                 {"B", run("$test_rect(Main,50,10,20,20,color:0000FF)", w)}};
    walk(ids, {{"$if($updateobject({A}),y,n)", "y", "15,15 55,15", "red white"},
               {"repaint"},
               {"$if($removeobject({A}),y,n)", "y", "15,15", "red"},
               {"$if($REMOVECTRL({B},redraw:1),y,n)", "y", "55,15", "white"}});
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
    const cor_test::names ids = {{"A", run("$test_rect(Main,10,10,20,20,color:FF0000)", w)}};
    walk(ids,
         {{"repaint"},
          {"$if($setparam({A},1,x:60),y,n)$isobjectvisible({A})", "y1", "15,15 65,15", "white red"},
          {"$showobject({A},0)$setparam({A},1,x:10)$isobjectvisible({A})", "0", "65,15 15,15",
           "white white"},
          {"$showobject({A},1)$setparam({A},1,h:3)$isobjectvisible({A})",
           "0",
           "",
           "",
           {"$setparam: unsupported option 'h:3'"}},
          {"$base(100,0)$if($setparam({A},0,TEXT:a:b,x:-7,y: 12),y,n)|$getparam({A},x),"
           "$getparam({A},y),$getparam({A},text)",
           "y|-7,12,a:b"},
          {"$if($setparam({A},0,x:3,w:5,y:9),y,n)|$getparam({A},x),$getparam({A},y)",
           "n|3,12",
           "",
           "",
           {"$setparam: unsupported option 'w:5'"}}});
}

}  // namespace
}  // namespace object_test
