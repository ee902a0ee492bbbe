#include "sdk/cfg_var.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace cor {
namespace {

using namespace std::string_literals;

constexpr guid id_a{0x11111111, 0x2222, 0x3333, {0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa, 0xbb}};
constexpr guid id_b{0x04030201, 0x0605, 0x0807, {0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10}};
constexpr guid id_c{0xdeadbeef, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string u32le(uint32_t v) {
    std::string s;
    raw_put_u32(s, v);
    return s;
}

struct placement {
    uint32_t length, flags, show;
    int32_t points[8];
};

enum class colour : uint16_t { red = 1, green = 0x0203 };

TEST(CfgScalar, IntegersAreTheirLittleEndianBytes) {
    cfg_int i(id_a, -2);
    cfg_uint u(id_b, 0x01020304u);
    cfg_bool b(id_c, true);
    cfg_int_t<int64_t> wide(id_a, -0x0102030405060708);
    cfg_int_t<colour> e(id_b, colour::green);
    EXPECT_EQ(i.get_raw(), "\xfe\xff\xff\xff"s);
    EXPECT_EQ(u.get_raw(), "\x04\x03\x02\x01"s);
    EXPECT_EQ(b.get_raw(), "\x01"s);
    EXPECT_EQ(wide.get_raw(), "\xf8\xf8\xf9\xfa\xfb\xfc\xfd\xfe"s);
    EXPECT_EQ(e.get_raw(), "\x03\x02"s);

    cfg_int i2(id_a, 0);
    EXPECT_TRUE(i2.set_raw("\xfe\xff\xff\x7f"s));
    EXPECT_EQ(i2.get(), 0x7ffffffe);
    EXPECT_TRUE(i2.set_raw(i.get_raw()));
    EXPECT_EQ(i2.get(), -2);
    cfg_int_t<int64_t> wide2(id_a, 0);
    EXPECT_TRUE(wide2.set_raw(wide.get_raw()));
    EXPECT_EQ(wide2.get(), wide.get());
    cfg_bool b2(id_c, false);
    EXPECT_TRUE(b2.set_raw("\x80"s));
    EXPECT_TRUE(b2.get());
    cfg_int_t<colour> e2(id_b, colour::red);
    EXPECT_TRUE(e2.set_raw(e.get_raw()));
    EXPECT_EQ(e2.get(), colour::green);
}

TEST(CfgScalar, WrongSizeKeepsTheValue) {
    cfg_int i(id_a, 60);
    for (const std::string& raw : {""s, "\x01"s, "\x01\x02\x03"s, "\x01\x02\x03\x04\x05"s}) {
        EXPECT_FALSE(i.set_raw(raw));
        EXPECT_EQ(i.get(), 60);
    }
    cfg_bool b(id_b, true);
    EXPECT_FALSE(b.set_raw("\x00\x00"s));
    EXPECT_TRUE(b.get());

    const placement def{44, 0xffff, 5, {}};
    cfg_struct_t<placement> p(id_c, def);
    EXPECT_FALSE(p.set_raw(std::string(sizeof(placement) - 1, '\x07')));
    EXPECT_FALSE(p.set_raw(std::string(sizeof(placement) + 1, '\x07')));
    EXPECT_EQ(p.get().flags, 0xffffu);
    EXPECT_EQ(p.get().show, 5u);
}

TEST(CfgScalar, StringAndStructCarryTheirBytes) {
    cfg_string s(id_a, "/cor_ui_vesk.config");
    EXPECT_EQ(s.get_raw(), "/cor_ui_vesk.config");
    const std::string odd = "caf\xc3\xa9\0tail"s;
    EXPECT_TRUE(s.set_raw(odd));
    EXPECT_EQ(s.get(), odd);
    EXPECT_TRUE(s.set_raw(""));
    EXPECT_TRUE(s.is_empty());

    placement v{44, 0, 3, {1, -2, 3, -4, 5, 6, 7, 8}};
    cfg_struct_t<placement> p(id_b, placement{});
    p = v;
    const std::string raw = p.get_raw();
    ASSERT_EQ(raw.size(), sizeof(placement));
    cfg_struct_t<placement> q(id_b, placement{});
    EXPECT_TRUE(q.set_raw(raw));
    EXPECT_EQ(q.get().points[1], -2);
    EXPECT_EQ(q.get().points[7], 8);
    EXPECT_EQ(q.get().show, 3u);
}

TEST(CfgList, EncodingsAreCountThenElements) {
    cfg_guidlist_t guids(id_a, {id_b});
    EXPECT_EQ(guids.get_raw(),
              u32le(1) + "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"s);

    cfg_stringlist_t texts(id_b, {"ab", "", "\xc3\xa9"});
    EXPECT_EQ(texts.get_raw(), u32le(3) + u32le(2) + "ab" + u32le(0) + u32le(2) + "\xc3\xa9");

    cfg_intlist_t ints(id_c, {-1, 7});
    EXPECT_EQ(ints.get_raw(), u32le(2) + u32le(0xffffffff) + u32le(7));

    cfg_intlist_t empty(id_c);
    EXPECT_EQ(empty.get_raw(), u32le(0));

    cfg_stringlist_t texts2(id_b, {"default"});
    EXPECT_TRUE(texts2.set_raw(texts.get_raw()));
    EXPECT_EQ(texts2.get(), texts.get());
    cfg_guidlist_t guids2(id_a, {id_a, id_c});
    EXPECT_TRUE(guids2.set_raw(u32le(0)));
    EXPECT_TRUE(guids2.empty());

    cfg_structlist_t<placement> places(id_a, {placement{44, 1, 2, {9}}});
    cfg_structlist_t<placement> places2(id_a);
    EXPECT_TRUE(places2.set_raw(places.get_raw()));
    ASSERT_EQ(places2.size(), 1u);
    EXPECT_EQ(places2[0].points[0], 9);
}

TEST(CfgList, HostileBytesKeepTheDefaultOrTheGoodPrefix) {
    const std::vector<std::string> def{"x", "y"};
    cfg_stringlist_t texts(id_a, {"x", "y"});
    // Too short for a count: nothing is read.
    for (const std::string& raw : {""s, "\x01"s, "\xff\xff\xff"s}) {
        EXPECT_FALSE(texts.set_raw(raw));
        EXPECT_EQ(texts.get(), def);
    }
    // An impossible count yields the elements that are really there.
    EXPECT_FALSE(texts.set_raw(u32le(0xffffffff)));
    EXPECT_TRUE(texts.empty());
    EXPECT_FALSE(texts.set_raw(u32le(0xffffffff) + u32le(1) + "a" + u32le(0)));
    EXPECT_EQ(texts.get(), (std::vector<std::string>{"a", ""}));
    // A text longer than what follows ends the list before it.
    EXPECT_FALSE(texts.set_raw(u32le(3) + u32le(2) + "ab" + u32le(1000) + "abc"));
    EXPECT_EQ(texts.get(), std::vector<std::string>{"ab"});
    EXPECT_FALSE(texts.set_raw(u32le(2) + u32le(0xffffffff) + "abcdef"));
    EXPECT_TRUE(texts.empty());

    cfg_guidlist_t guids(id_b);
    EXPECT_FALSE(guids.set_raw(u32le(2) + std::string(16, '\x01') + "\x02\x02\x02"));
    ASSERT_EQ(guids.size(), 1u);
    EXPECT_EQ(guids[0].data1, 0x01010101u);

    cfg_intlist_t ints(id_c, {5});
    EXPECT_FALSE(ints.set_raw(u32le(0xfffffffe) + u32le(1) + u32le(2) + "\x03"));
    EXPECT_EQ(ints.get(), (std::vector<int32_t>{1, 2}));
    // Bytes after the counted elements: the elements are taken, the value is
    // still reported as damaged.
    EXPECT_FALSE(ints.set_raw(u32le(1) + u32le(9) + "junk"));
    EXPECT_EQ(ints.get(), std::vector<int32_t>{9});
}

TEST(CfgList, EveryTruncationDecodesToAPrefix) {
    const std::vector<std::string> full{"alpha", "", "\xe2\x82\xac", std::string(40, 'z')};
    cfg_stringlist_t source(id_a, {"alpha", "", "\xe2\x82\xac", std::string(40, 'z')});
    ASSERT_EQ(source.get(), full);
    const std::string raw = source.get_raw();
    for (size_t n = 0; n <= raw.size(); ++n) {
        cfg_stringlist_t target(id_b, {"default"});
        const bool whole = target.set_raw(std::string_view(raw).substr(0, n));
        EXPECT_EQ(whole, n == raw.size()) << n;
        if (n < 4) {
            EXPECT_EQ(target.get(), std::vector<std::string>{"default"}) << n;
            continue;
        }
        ASSERT_LE(target.size(), full.size()) << n;
        EXPECT_TRUE(std::equal(target.begin(), target.end(), full.begin())) << n;
    }
}

std::vector<guid> registered_since(cfg_var* last_before) {
    std::vector<guid> out;
    cfg_var* v = last_before ? last_before->next_registered() : cfg_var::first_registered();
    for (; v; v = v->next_registered()) out.push_back(v->get_guid());
    return out;
}

cfg_var* last_registered() {
    cfg_var* last = nullptr;
    for (cfg_var* v = cfg_var::first_registered(); v; v = v->next_registered()) last = v;
    return last;
}

class string_collector : public string_sink {
public:
    void write(const char* text, size_t length) override { text_.append(text, length); }
    std::string text_;
};

TEST(CfgRegistry, VariablesJoinInOrderAndLeaveWhenDestroyed) {
    cfg_var* before = last_registered();
    cfg_int a(id_a, 1);
    {
        cfg_string b(id_b, "b");
        cfg_bool c(id_c, false);
        EXPECT_EQ(registered_since(before), (std::vector<guid>{id_a, id_b, id_c}));
    }
    cfg_intlist_t d(id_b);
    EXPECT_EQ(registered_since(before), (std::vector<guid>{id_a, id_b}));
    EXPECT_EQ(a.next_registered(), &d);
}

TEST(CfgRegistry, ConfigIoExposesTheModulesVariables) {
    const size_t base = make_config_io()->get_var_count();
    cfg_int number(id_a, 7);
    cfg_string text(id_b, "hello");
    auto io = make_config_io();
    ASSERT_EQ(io->get_var_count(), base + 2);

    guid g{};
    ASSERT_TRUE(io->get_var_guid(base + 1, g));
    EXPECT_EQ(g, id_b);
    string_collector sink;
    ASSERT_TRUE(io->get_var_raw(base + 1, sink));
    EXPECT_EQ(sink.text_, "hello");

    const std::string raw = "\x2a\0\0\0"s;
    EXPECT_TRUE(io->set_var_raw(base, raw.data(), raw.size()));
    EXPECT_EQ(number.get(), 42);
    EXPECT_FALSE(io->set_var_raw(base, raw.data(), 3));
    EXPECT_EQ(number.get(), 42);
    EXPECT_TRUE(io->set_var_raw(base + 1, nullptr, 0));
    EXPECT_TRUE(text.is_empty());
    EXPECT_FALSE(io->set_var_raw(base + 1, nullptr, 4));

    EXPECT_FALSE(io->get_var_guid(base + 2, g));
    EXPECT_FALSE(io->get_var_raw(base + 2, sink));
    EXPECT_FALSE(io->set_var_raw(base + 2, raw.data(), raw.size()));
}

TEST(CfgRegistry, BeforeSaveRunsAndItsExceptionsStayInside) {
    int calls = 0;
    auto io = make_config_io([&] { ++calls; });
    io->on_before_save();
    EXPECT_EQ(calls, 1);
    auto throwing = make_config_io([] { throw std::runtime_error("boom"); });
    EXPECT_NO_THROW(throwing->on_before_save());
    EXPECT_NO_THROW(make_config_io()->on_before_save());
}

TEST(CfgRegistry, FactoryMakesOwnedConfigIoInstances) {
    int calls = 0;
    config_io_factory factory([&] { ++calls; });
    EXPECT_EQ(factory.get_class_guid(), config_io::class_guid);
    service_base* raw = factory.create_instance();
    ASSERT_NE(raw, nullptr);
    auto io = service_ptr_t<config_io>::adopt(static_cast<config_io*>(raw));
    io->on_before_save();
    EXPECT_EQ(calls, 1);
    // The reference handed out was the only one: one more makes two.
    EXPECT_EQ(io->service_add_ref(), 2);
    EXPECT_EQ(io->service_release(), 1);
}

}  // namespace
}  // namespace cor
