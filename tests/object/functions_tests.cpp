// Object functions as scripts use them: the common steps and options of
// creating functions, and the functions acting on objects by identity,
// with their messages and thresholds.
#include "host/settings.h"
#include "object/object_rig.h"
#include "script/error_report.h"

namespace object_test {
namespace {

using lines_t = std::vector<std::string>;
using Creating = ObjectRig;
using Functions = ObjectRig;

test_rect* rect_of(vesk::object_manager& m, const std::string& id) {
    return dynamic_cast<test_rect*>(m.find(id));
}

TEST_F(Creating, WritesTheIdentityAndStoresWithoutPainting) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,20,30,40,color:FF0000)", w);
    ASSERT_EQ(id.size(), 36u);
    test_rect* r = rect_of(manager, id);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(text_of(r->id), id);
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
}

TEST_F(Creating, CoordinatesAreUnsignedWithTheBasePointAdded) {
    const window w = open("Main");
    vesk::t_script_context ctx = w.context();
    ctx.base_x = 5;
    ctx.base_y = 7;
    test_rect* r = rect_of(manager, run("$test_rect(Main,-5,3x,10,10)", ctx));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->x, 5);
    EXPECT_EQ(r->y, 10);
}

TEST_F(Creating, WindowLookupFailuresFollowTheirThresholds) {
    const window w = open("Main");
    define("Closed");
    EXPECT_EQ(run("$test_rect(Nowhere,1,1,5,5)$test_rect(Closed,1,1,5,5)", w), "");
    EXPECT_EQ(lines(), lines_t{"$test_rect: window 'Nowhere' not found"});
    vesk::set_error_level(vesk::err_high);
    run("$test_rect(Closed,1,1,5,5)$test_rect(Main,1,1,5)", w);
    EXPECT_EQ(lines(),
              (lines_t{"$test_rect: window 'Closed' not active", "$test_rect: invalid syntax"}));
    vesk::set_error_level(vesk::err_low);
    run("$test_rect(Nowhere,1,1,5,5)", w);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(manager.object_count(), 0u);
}

TEST_F(Creating, ObjectsInsideAComboboxOrTooltipNameItByIdentity) {
    const window w = open("Main");
    auto* box = store(w, std::make_unique<test_container>());
    const std::string inside = run("$test_rect(" + text_of(box->id) + ",1,1,5,5)", w);
    ASSERT_NE(rect_of(manager, inside), nullptr);
    EXPECT_EQ(rect_of(manager, inside)->parent, box->id);
    // Lower case identities are read too.
    std::string lower = text_of(box->id);
    for (char& ch : lower) ch = char(tolower(ch));
    EXPECT_EQ(run("$test_rect(" + lower + ",1,1,5,5)", w).size(), 36u);

    // Any other object, or an unknown identity, is refused.
    const std::string plain = run("$test_rect(Main,1,1,5,5)", w);
    EXPECT_EQ(run("$test_rect(" + plain + ",1,1,5,5)", w), "");
    EXPECT_EQ(run("$test_rect(00000000-0000-0000-0000-000000000001,1,1,5,5)", w), "");
    EXPECT_EQ(lines(), (lines_t{"$test_rect: objectid error", "$test_rect: objectid error"}));
    EXPECT_EQ(manager.object_count(), 4u);
    manager.clear_parent(box->id, vesk::object::cat_all_objects);
}

TEST_F(Creating, CommonOptions) {
    const window w = open("Main");
    test_rect* hidden = rect_of(manager, run("$test_rect(Main,1,1,5,5,HIDE)", w));
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(hidden->visible);

    const std::string out =
        run("$test_rect(Main,10,20,30,40,mempos:1)|%_mp_left%,%_mp_top%,%_mp_right%,%_mp_bottom%,"
            "%_mp_width%,%_mp_height%",
            w);
    EXPECT_EQ(out.substr(36), "|10,20,40,60,30,40");

    // Measuring only: the map rectangle is set and nothing is made.
    const size_t before = manager.object_count();
    EXPECT_EQ(run("$if($test_rect(Main,3,4,5,6,calconly:true,mempos:on),ok,no)|%_mp_width%", w),
              "ok|5");
    EXPECT_EQ(run("$test_rect(Main,3,4,5,6,dmode:CALCONLY)", w), "");
    EXPECT_EQ(manager.object_count(), before);
    // "calconly:" false leaves the mode; later options win over earlier.
    EXPECT_EQ(run("$test_rect(Main,3,4,5,6,dmode:calconly,calconly:0)", w), "");
    EXPECT_EQ(run("$test_rect(Main,3,4,5,6,dmode:mem,dmode:object)", w).size(), 36u);
    EXPECT_EQ(run("$test_rect(Main,3,4,5,6,calconly:no)", w).size(), 36u);
    EXPECT_EQ(manager.object_count(), before + 2);
    // Without a rectangle "mempos:" stores nothing.
    vesk::t_script_context ctx = w.context();
    run("$test_rect(Main,3,4,0,0,mempos:1)", ctx);
    EXPECT_EQ(ctx.map_right, 0);
    EXPECT_TRUE(lines().empty());
}

TEST_F(Creating, BadOptionsDiscardTheObject) {
    const window w = open("Main");
    EXPECT_EQ(run("$test_rect(Main,1,1,5,5,dmode:bogus)$test_rect(Main,1,1,5,5,hide,weird)"
                  "$test_rect(Main,1,1,5,5,color:zz)$test_rect(Main,1,1,5,5,hidden)",
                  w),
              "");
    EXPECT_EQ(
        lines(),
        (lines_t{"$test_rect: unknown option 'dmode:bogus'", "$test_rect: unknown option 'weird'",
                 "$test_rect: invalid color 'zz'", "$test_rect: unknown option 'hidden'"}));
    EXPECT_EQ(manager.object_count(), 0u);
    vesk::set_error_level(vesk::err_off);
    EXPECT_EQ(run("$if($test_rect(Main,1,1,5,5,x:1),yes,no)", w), "no");
    EXPECT_TRUE(lines().empty());
}

TEST_F(Creating, MemModePaintsOnceAndLeavesNothing) {
    const window w = open("Main");
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

TEST_F(Creating, AButtonMadeFirstStillPaintsOverDrawnObjects) {
    const window w = open("Main");
    run("$test_button(Main,10,10,40,40,100,color:00FF00)$test_rect(Main,30,30,40,40,color:FF0000)",
        w);
    full_paint(w);
    EXPECT_EQ(colours(w, "40,40 60,60"), "green red");
}

TEST_F(Functions, ShowObject) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    full_paint(w);
    EXPECT_EQ(run("$showobject(" + id + ",0)$isobjectvisible(" + id + ")", w), "0");
    EXPECT_EQ(pixel(w, 15, 15), red);  // without redraw nothing changes on screen
    run("$showobject(" + id + ",off,redraw:1)", w);
    EXPECT_EQ(pixel(w, 15, 15), white);
    EXPECT_EQ(run("$if($showobject(" + id + ",on,REDRAW:true),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 15, 15), red);

    EXPECT_EQ(run("$if($showobject(" + id + ",0,again),y,n)", w), "n");
    EXPECT_TRUE(manager.is_visible(*vesk::object::parse_identity(id)));  // nothing done
    run("$showobject(" + id +
            ")$showobject(00000000-0000-0000-0000-00000000000A,1)"
            "$showobject(Main,1)",
        w);
    EXPECT_EQ(lines(),
              (lines_t{"$showobject: unknown option 'again'", "$showobject: invalid syntax",
                       "$showobject: object '00000000-0000-0000-0000-00000000000A' not found",
                       "$showobject: object 'Main' not found"}));
}

TEST_F(Functions, MoveObject) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    test_rect* r = rect_of(manager, id);
    full_paint(w);
    vesk::t_script_context ctx = w.context();
    ctx.base_x = 100;
    ctx.base_y = 50;
    EXPECT_EQ(run("$if($moveobject(" + id + ",-5,7),y,n)", ctx), "y");
    EXPECT_EQ(r->x, 100);
    EXPECT_EQ(r->y, 57);
    EXPECT_EQ(pixel(w, 15, 15), red);  // the next repaint shows it
    run("$moveobject(" + id + ",10,10,redraw:1)", w);
    EXPECT_EQ(pixel(w, 15, 15), red);
    run("$moveobject(" + id + ",40,40,redraw:1)", w);
    EXPECT_EQ(colours(w, "15,15 45,45"), "white red");
    // A hidden object only changes its position, and stays hidden.
    run("$showobject(" + id + ",0)$moveobject(" + id + ",70,70,redraw:1)", w);
    EXPECT_EQ(colours(w, "75,75 45,45"), "white red");
    EXPECT_FALSE(r->visible);
    run("$moveobject(" + id + ",40,40)", w);

    run("$moveobject(" + id + ",1)$moveobject(" + id + ",1,2,fast)$moveobject(nothing,1,2)", w);
    EXPECT_EQ(lines(), (lines_t{"$moveobject: invalid syntax", "$moveobject: unknown option 'fast'",
                                "$moveobject: object 'nothing' not found"}));
    EXPECT_EQ(r->x, 40);
}

TEST_F(Functions, SetObjectZorder) {
    const window w = open("Main");
    const std::string a = run("$test_rect(Main,10,10,40,40,color:FF0000)", w);
    run("$test_rect(Main,30,30,40,40,color:0000FF)", w);
    full_paint(w);
    EXPECT_EQ(pixel(w, 40, 40), blue);
    run("$setobjectzorder(" + a + ",TOP)", w);
    EXPECT_EQ(pixel(w, 40, 40), blue);  // no redraw asked
    full_paint(w);
    EXPECT_EQ(pixel(w, 40, 40), red);
    EXPECT_EQ(run("$if($setobjectzorder(" + a + ",Bottom,redraw:1),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 40, 40), blue);  // repainted at once

    run("$setobjectzorder(" + a + ",middle)$setobjectzorder(" + a + ")", w);
    EXPECT_EQ(lines(), (lines_t{"$setobjectzorder: unknown zorder 'middle'",
                                "$setobjectzorder: invalid syntax"}));
}

TEST_F(Functions, UpdateObjectTakesExactlyOneParameter) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    EXPECT_EQ(run("$if($updateobject(" + id + "),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 15, 15), red);
    run("$updateobject(" + id + ",1)$updateobject()$updateobject(" + id.substr(1) + "0)", w);
    EXPECT_EQ(lines(), (lines_t{"$updateobject: invalid syntax", "$updateobject: invalid syntax",
                                "$updateobject: object '" + id.substr(1) + "0' not found"}));
}

TEST_F(Functions, RemoveObjectAndItsOtherName) {
    const window w = open("Main");
    const std::string a = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    const std::string b = run("$test_rect(Main,50,10,20,20,color:0000FF)", w);
    full_paint(w);
    EXPECT_EQ(run("$if($removeobject(" + a + "),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 15, 15), red);  // still painted until a repaint
    EXPECT_EQ(run("$if($REMOVECTRL(" + b + ",redraw:1),y,n)", w), "y");
    EXPECT_EQ(pixel(w, 55, 15), white);  // erased first
    EXPECT_EQ(manager.object_count(), 0u);
    run("$removeobject(" + a + ")$removeobject()$removectrl(" + b + ",now)", w);
    EXPECT_EQ(lines(), (lines_t{"$removeobject: objectid '" + a + "' not found",
                                "$removeobject: invalid syntax",
                                "$removectrl: objectid '" + b + "' not found"}));
}

TEST_F(Functions, IsObjectVisible) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,1,1,5,5)", w);
    EXPECT_EQ(run("$isobjectvisible(" + id + ")|$if($isobjectvisible(" + id + "),y,n)", w), "1|y");
    run("$showobject(" + id + ",0)", w);
    EXPECT_EQ(
        run("$isobjectvisible(" + id + ")|$if($isobjectvisible(" + id + "),y,n)|%_result%", w),
        "0|n|0");
    EXPECT_EQ(
        run("$isobjectvisible(unknown)$isobjectvisible(00000000-0000-0000-0000-000000000000)", w),
        "00");
    EXPECT_TRUE(lines().empty());  // an unknown object is simply not visible
    run("$isobjectvisible(" + id + ",1)", w);
    EXPECT_EQ(lines(), lines_t{"$isobjectvisible: invalid syntax"});
}

TEST_F(Functions, ClearObjectKeepsControls) {
    const window main = open("Main");
    const window other = open("Other");
    const std::string text = run("$test_rect(Main,10,10,20,20,color:FF0000)", main);
    const std::string button = run("$test_button(Main,50,10,20,20,100)", main);
    const std::string elsewhere = run("$test_rect(Other,10,10,20,20)", other);
    full_paint(main);
    EXPECT_EQ(run("$if($clearobject(main),y,n)", main), "y");
    EXPECT_EQ(manager.find(text), nullptr);
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
}

TEST_F(Functions, ClearObjectByEvent) {
    const window w = open("Main");
    const std::string loaded = run("$test_rect(Main,1,1,5,5)", w, vesk::ev_load);
    const std::string resized = run("$test_rect(Main,1,1,5,5)", w, vesk::ev_resize);
    const std::string resized_button = run("$test_button(Main,1,1,5,5,100)", w, vesk::ev_resize);
    vesk::t_script_context outside;  // a timer or player event: no window
    const std::string unowned = run("$test_rect(Main,1,1,5,5)", outside);
    ASSERT_EQ(manager.object_count(), 4u);

    run("$clearobject(Main,event:ReSiZe)", outside);
    EXPECT_NE(manager.find(loaded), nullptr);
    EXPECT_EQ(manager.find(resized), nullptr);
    EXPECT_NE(manager.find(resized_button), nullptr);
    EXPECT_NE(manager.find(unowned), nullptr);
    run("$clearobject(Main,event:move)", w);
    EXPECT_EQ(manager.object_count(), 3u);
    run("$clearobject(Main,event:load,redraw:0)", w);
    EXPECT_EQ(manager.find(loaded), nullptr);
    EXPECT_NE(manager.find(unowned), nullptr);
    EXPECT_TRUE(lines().empty());
}

TEST_F(Functions, ClearObjectMessages) {
    const window w = open("Main");
    define("Closed");
    run("$test_rect(Main,1,1,5,5)", w);
    run("$clearobject(Main,event:later)$clearobject(Main,events:load)$clearobject()"
        "$clearobject(Nowhere)$clearobject(Closed)",
        w);
    EXPECT_EQ(lines(),
              (lines_t{"$clearobject: unknown event 'later'",
                       "$clearobject: unknown option 'events:load'", "$clearobject: invalid syntax",
                       "$clearobject: window 'Nowhere' not found"}));
    vesk::set_error_level(vesk::err_high);
    run("$clearobject(Closed)", w);
    EXPECT_EQ(lines(), lines_t{"$clearobject: window 'Closed' not active"});
    EXPECT_EQ(manager.object_count(), 1u);
}

TEST_F(Functions, GetParam) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,20,30,40)", w);
    rect_of(manager, id)->text = "hello, world";
    EXPECT_EQ(
        run("$getparam(" + id + ",WindowID)|$getparam(" + id + ",x)|$getparam(" + id +
                ",Y)|$getparam(" + id + ",w)|$getparam(" + id + ",h)|$getparam(" + id + ",text)",
            w),
        "Main|10|20|30|40|hello, world");
    EXPECT_EQ(run("$getparam(" + id + ",h)=%_result%", w), "40=40");

    const std::string button = run("$test_button(Main,1,1,5,5,100)", w);
    EXPECT_EQ(run("$getparam(" + button + ",windowid)$getparam(" + button + ",x)$getparam(" + id +
                      ",color)",
                  w),
              "Main");
    EXPECT_EQ(lines(),
              (lines_t{"$getparam: unsupported type 'x'", "$getparam: unsupported type 'color'"}));

    // An object drawn inside a combobox has no window of its own.
    auto* box = store(w, std::make_unique<test_container>());
    const std::string inside = run("$test_rect(" + text_of(box->id) + ",1,1,5,5)", w);
    EXPECT_EQ(run("$if($getparam(" + inside + ",windowid),y,n)", w), "n");
    EXPECT_TRUE(lines().empty());

    run("$getparam(" + id + ")$getparam(" + id + ",x,y)$getparam(nothing,x)", w);
    EXPECT_EQ(lines(), (lines_t{"$getparam: invalid syntax", "$getparam: invalid syntax",
                                "$getparam: object 'nothing' not found"}));
    manager.clear_parent(box->id, vesk::object::cat_all_objects);
}

TEST_F(Functions, SetParam) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    test_rect* r = rect_of(manager, id);
    vesk::t_script_context ctx = w.context();
    ctx.base_x = 100;
    EXPECT_EQ(run("$if($setparam(" + id + ",0,TEXT:a:b,x:-7,y: 12),y,n)", ctx), "y");
    EXPECT_EQ(r->text, "a:b");
    EXPECT_EQ(r->x, -7);  // no base point for properties
    EXPECT_EQ(r->y, 12);

    // Settings before a refused one stay applied.
    EXPECT_EQ(run("$if($setparam(" + id + ",0,x:3,w:5,y:9),y,n)", w), "n");
    EXPECT_EQ(r->x, 3);
    EXPECT_EQ(r->y, 12);
    run("$setparam(" + id + ",0,colour:1)$setparam(" + id + ",0)$setparam(nothing,0,x:1)", w);
    EXPECT_EQ(lines(), (lines_t{"$setparam: unsupported option 'w:5'",
                                "$setparam: unknown option 'colour:1'", "$setparam: invalid syntax",
                                "$setparam: object 'nothing' not found"}));
    const std::string button = run("$test_button(Main,1,1,5,5,100)", w);
    run("$setparam(" + button + ",0,text:x)", w);
    EXPECT_EQ(lines(), lines_t{"$setparam: unsupported option 'text:x'"});
}

TEST_F(Functions, SetParamWithRedrawRepaintsOldAndNewAreas) {
    const window w = open("Main");
    const std::string id = run("$test_rect(Main,10,10,20,20,color:FF0000)", w);
    test_rect* r = rect_of(manager, id);
    full_paint(w);
    EXPECT_EQ(run("$if($setparam(" + id + ",1,x:60),y,n)", w), "y");
    EXPECT_EQ(colours(w, "15,15 65,15"), "white red");
    EXPECT_TRUE(r->visible);

    // A hidden object stays hidden; a refused setting leaves it hidden.
    r->visible = false;
    run("$setparam(" + id + ",1,x:10)", w);
    EXPECT_FALSE(r->visible);
    EXPECT_EQ(colours(w, "65,15 15,15"), "white white");
    r->visible = true;
    run("$setparam(" + id + ",1,h:3)", w);
    EXPECT_FALSE(r->visible);
    EXPECT_EQ(lines(), lines_t{"$setparam: unsupported option 'h:3'"});
}

}  // namespace
}  // namespace object_test
