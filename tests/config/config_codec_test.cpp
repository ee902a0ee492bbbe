// The bytes of settings: each variable type's encoding, the registry of a
// module's variables, and the store's file format.
#include "corvina500/config/config_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "sdk/cfg_var.h"

namespace cor {
namespace {

using namespace std::string_literals;

guid make_guid(uint32_t n) {
    return guid{
        n, static_cast<uint16_t>(n * 7), 0x4abc, {0x80, 1, 2, 3, 4, 5, 6, static_cast<uint8_t>(n)}};
}

// Values of varied size, including an empty one and binary ones full of
// small numbers that look like lengths.
config_entries sample_entries() {
    config_entries e;
    e[make_guid(1)] = "\x3c\0\0\0"s;
    e[make_guid(2)] = "";
    e[make_guid(3)] = "$if(%isplaying%,playing,stopped) // \xe2\x99\xaa";
    std::string zeros(40, '\0');
    zeros[0] = 2;
    zeros[4] = 1;
    e[make_guid(4)] = zeros;
    e[make_guid(5)] = std::string(300, 'q');
    return e;
}

// The checksum is the common CRC-32, so that files stay readable by any
// version; the layout is pinned byte for byte.
TEST(ConfigCodec, FileLayoutIsHeaderThenChecksummedEntries) {
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32("6789", crc32("12345")), 0xCBF43926u);
    config_entries e;
    e[guid{0x04030201, 0x0605, 0x0807, {9, 10, 11, 12, 13, 14, 15, 16}}] = "hi";
    std::string header = "CORVCFG\x1a"s + "\x01\0\0\0"s + "\x01\0\0\0"s;
    raw_put_u32(header, crc32(header));
    const std::string body =
        "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"s + "\x02\0\0\0hi"s;
    std::string expected = header + body;
    raw_put_u32(expected, crc32(body));
    EXPECT_EQ(encode_config_store(e), expected);

    for (const config_entries& sound : {config_entries{}, sample_entries()}) {
        const config_decode_result r = decode_config_store(encode_config_store(sound));
        EXPECT_FALSE(r.damaged()) << r.problem;
        EXPECT_EQ(r.entries, sound);
        EXPECT_EQ(r.entries_read, sound.size());
        EXPECT_EQ(r.expected_count, sound.size());
    }
}

// A flipped byte costs at most the entry it hits; a cut, the entries it
// reaches.
TEST(ConfigCodec, DamageCostsOnlyTheEntriesItTouches) {
    const config_entries all = sample_entries();
    const std::string file = encode_config_store(all);
    std::vector<std::tuple<size_t, size_t, guid>> spans;  // [start, end) of each entry
    for (size_t pos = 20; const auto& [id, value] : all) {
        spans.emplace_back(pos, pos + 24 + value.size(), id);
        pos += 24 + value.size();
    }
    ASSERT_EQ(std::get<1>(spans.back()), file.size());
    for (const char mask : {'\x01', '\x80', '\xff'}) {
        for (size_t pos = 0; pos < file.size(); ++pos) {
            std::string damaged = file;
            damaged[pos] = static_cast<char>(damaged[pos] ^ mask);
            const config_decode_result r = decode_config_store(damaged);
            ASSERT_TRUE(r.damaged()) << pos;
            if (pos < 8) {
                EXPECT_TRUE(r.entries.empty()) << pos;
                EXPECT_NE(r.problem.find("signature"), std::string::npos) << r.problem;
            } else if (pos < 20) {
                EXPECT_EQ(r.entries, all) << pos;
                EXPECT_NE(r.problem.find("header"), std::string::npos) << r.problem;
            } else {
                config_entries expected = all;
                for (const auto& [start, end, id] : spans)
                    if (pos >= start && pos < end) expected.erase(id);
                EXPECT_EQ(r.entries, expected) << "byte " << pos << ": " << r.problem;
                EXPECT_EQ(r.expected_count, all.size());
            }
        }
    }
    for (size_t n = 0; n < file.size(); ++n) {
        const config_decode_result r = decode_config_store(std::string_view(file).substr(0, n));
        ASSERT_TRUE(r.damaged()) << n;
        config_entries whole;
        for (const auto& [start, end, id] : spans)
            if (end <= n) whole[id] = all.at(id);
        EXPECT_EQ(r.entries, whole) << n;
    }
}

TEST(ConfigCodec, HeaderProblemsAreNamed) {
    EXPECT_EQ(decode_config_store("").problem, "the file is empty");
    EXPECT_EQ(decode_config_store("CORV").problem, "the header is cut short");
    EXPECT_EQ(decode_config_store("[general]\nvolume=3\n").problem,
              "not a configuration store (wrong signature)");

    // A sound header of a later version: nothing is guessed.
    std::string newer = "CORVCFG\x1a"s + "\x02\0\0\0"s + "\0\0\0\0"s;
    raw_put_u32(newer, crc32(newer));
    const config_decode_result r =
        decode_config_store(newer + encode_config_store(sample_entries()).substr(20));
    EXPECT_EQ(r.problem, "unsupported format version 2");
    EXPECT_TRUE(r.entries.empty());

    // Entries appended behind a sound header's back are kept but noticed.
    config_entries one;
    one[make_guid(9)] = "x";
    const std::string extra = encode_config_store(one).substr(20);
    const config_decode_result more =
        decode_config_store(encode_config_store(sample_entries()) + extra);
    EXPECT_EQ(more.entries.size(), sample_entries().size() + 1);
    EXPECT_EQ(more.problem, "the header's entry count is wrong");
}

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

template <class T>
std::string raw_of(T value) {
    return cfg_int_t<T>(id_a, value).get_raw();
}

template <class T>
T read_back(const std::string& raw) {
    cfg_int_t<T> v(id_b, T{});
    EXPECT_TRUE(v.set_raw(raw)) << raw.size();
    return v.get();
}

// Integers are their little-endian bytes, strings and structures their
// own; a value of the wrong size keeps the variable's.
TEST(CfgScalar, ValuesAreTheirBytesAndAWrongSizeKeepsTheValue) {
    EXPECT_EQ(raw_of<int32_t>(-2), "\xfe\xff\xff\xff"s);
    EXPECT_EQ(raw_of<bool>(true), "\x01"s);
    EXPECT_EQ(raw_of<int64_t>(-0x0102030405060708), "\xf8\xf8\xf9\xfa\xfb\xfc\xfd\xfe"s);
    EXPECT_EQ(raw_of(colour::green), "\x03\x02"s);
    EXPECT_EQ(read_back<int32_t>("\xfe\xff\xff\x7f"s), 0x7ffffffe);
    EXPECT_EQ(read_back<int64_t>(raw_of<int64_t>(-0x0102030405060708)), -0x0102030405060708);
    EXPECT_TRUE(read_back<bool>("\x80"s));
    EXPECT_EQ(read_back<colour>(raw_of(colour::green)), colour::green);

    cfg_string s(id_a, "/cor_ui_vesk.config");
    EXPECT_EQ(s.get_raw(), "/cor_ui_vesk.config");
    const std::string odd = "caf\xc3\xa9\0tail"s;
    EXPECT_TRUE(s.set_raw(odd));
    EXPECT_EQ(s.get(), odd);
    EXPECT_TRUE(s.set_raw(""));
    EXPECT_TRUE(s.is_empty());
    cfg_struct_t<placement> p(id_b, placement{44, 0, 3, {1, -2, 3, -4, 5, 6, 7, 8}});
    cfg_struct_t<placement> q(id_b, placement{});
    EXPECT_TRUE(q.set_raw(p.get_raw()));
    EXPECT_EQ(q.get().points[7], 8);
    EXPECT_EQ(q.get().show, 3u);

    cfg_int i(id_a, 60);
    for (const std::string& raw : {""s, "\x01"s, "\x01\x02\x03"s, "\x01\x02\x03\x04\x05"s}) {
        EXPECT_FALSE(i.set_raw(raw));
        EXPECT_EQ(i.get(), 60);
    }
    EXPECT_FALSE(q.set_raw(std::string(sizeof(placement) - 1, '\x07')));
    EXPECT_FALSE(q.set_raw(std::string(sizeof(placement) + 1, '\x07')));
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
    EXPECT_EQ(cfg_intlist_t(id_c).get_raw(), u32le(0));

    cfg_guidlist_t guids2(id_a, {id_a, id_c});
    EXPECT_TRUE(guids2.set_raw(u32le(0)));
    EXPECT_TRUE(guids2.empty());
    cfg_structlist_t<placement> places(id_a, {placement{44, 1, 2, {9}}});
    cfg_structlist_t<placement> places2(id_a);
    EXPECT_TRUE(places2.set_raw(places.get_raw()));
    ASSERT_EQ(places2.size(), 1u);
    EXPECT_EQ(places2[0].points[0], 9);
}

// Counts and lengths no file of ours would hold, and every cut of a good
// value, decode to a prefix of the elements.
TEST(CfgList, HostileOrCutBytesKeepTheGoodPrefix) {
    cfg_stringlist_t texts(id_a, {"x", "y"});
    EXPECT_FALSE(texts.set_raw(u32le(0xffffffff)));
    EXPECT_TRUE(texts.empty());
    EXPECT_FALSE(texts.set_raw(u32le(0xffffffff) + u32le(1) + "a" + u32le(0)));
    EXPECT_EQ(texts.get(), (std::vector<std::string>{"a", ""}));
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

    const std::vector<std::string> full{"alpha", "", "\xe2\x82\xac", std::string(40, 'z')};
    cfg_stringlist_t source(id_a);
    source.set(full);
    const std::string raw = source.get_raw();
    for (size_t n = 0; n <= raw.size(); ++n) {
        cfg_stringlist_t target(id_b, {"default"});
        EXPECT_EQ(target.set_raw(std::string_view(raw).substr(0, n)), n == raw.size()) << n;
        if (n < 4) {
            EXPECT_EQ(target.get(), std::vector<std::string>{"default"}) << n;
            continue;
        }
        ASSERT_LE(target.size(), full.size()) << n;
        EXPECT_TRUE(std::equal(target.begin(), target.end(), full.begin())) << n;
    }
    cfg_stringlist_t whole(id_c);
    EXPECT_TRUE(whole.set_raw(raw));
    EXPECT_EQ(whole.get(), full);
}

class string_collector : public string_sink {
public:
    void write(const char* text, size_t length) override { text_.append(text, length); }
    std::string text_;
};

// Variables join the module's list in order and leave it when destroyed;
// the module's config_io reaches them by index.
TEST(CfgRegistry, ConfigIoReachesTheModulesVariablesInOrder) {
    const size_t base = make_config_io()->get_var_count();
    const auto joined = [&] {
        auto io = make_config_io();
        std::vector<guid> out(io->get_var_count() - base);
        for (size_t i = 0; i < out.size(); ++i) EXPECT_TRUE(io->get_var_guid(base + i, out[i]));
        return out;
    };
    cfg_int number(id_a, 7);
    {
        cfg_string b(id_b, "b");
        cfg_bool c(id_c, false);
        EXPECT_EQ(joined(), (std::vector<guid>{id_a, id_b, id_c}));
    }
    cfg_string text(id_b, "hello");
    EXPECT_EQ(joined(), (std::vector<guid>{id_a, id_b}));

    auto io = make_config_io();
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

    guid g{};
    EXPECT_FALSE(io->get_var_guid(base + 2, g));
    EXPECT_FALSE(io->get_var_raw(base + 2, sink));
    EXPECT_FALSE(io->set_var_raw(base + 2, raw.data(), raw.size()));
}

// The factory's instances are owned by their holder and run the module's
// before-save step, whose exceptions stay inside.
TEST(CfgRegistry, FactoryMakesOwnedConfigIoInstancesThatRunBeforeSave) {
    int calls = 0;
    config_io_factory factory([&] { ++calls; });
    service_base* raw = factory.create_instance();
    ASSERT_NE(raw, nullptr);
    auto io = service_ptr_t<config_io>::adopt(static_cast<config_io*>(raw));
    io->on_before_save();
    EXPECT_EQ(calls, 1);
    // The reference handed out was the only one: one more makes two.
    EXPECT_EQ(io->service_add_ref(), 2);
    EXPECT_EQ(io->service_release(), 1);
    auto throwing = make_config_io([] { throw std::runtime_error("boom"); });
    EXPECT_NO_THROW(throwing->on_before_save());
}

}  // namespace
}  // namespace cor
