#include "corvina500/config/config_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
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

struct layout {
    std::string file;
    // [start, end) of each entry in the file, in file order.
    std::vector<std::pair<size_t, size_t>> spans;
    std::vector<guid> ids;
};

layout sample_layout() {
    layout l;
    const config_entries e = sample_entries();
    l.file = encode_config_store(e);
    size_t pos = 20;
    for (const auto& [id, value] : e) {
        l.spans.emplace_back(pos, pos + 24 + value.size());
        l.ids.push_back(id);
        pos += 24 + value.size();
    }
    EXPECT_EQ(pos, l.file.size());
    return l;
}

TEST(ConfigCodec, Crc32IsTheCommonOne) {
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("6789", crc32("12345")), 0xCBF43926u);
}

TEST(ConfigCodec, FileLayoutIsHeaderThenChecksummedEntries) {
    config_entries e;
    e[guid{0x04030201, 0x0605, 0x0807, {9, 10, 11, 12, 13, 14, 15, 16}}] = "hi";
    const std::string file = encode_config_store(e);
    std::string header = "CORVCFG\x1a"s + "\x01\0\0\0"s + "\x01\0\0\0"s;
    raw_put_u32(header, crc32(header));
    std::string body =
        "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10"s + "\x02\0\0\0hi"s;
    std::string expected = header + body;
    raw_put_u32(expected, crc32(body));
    EXPECT_EQ(file, expected);
}

TEST(ConfigCodec, SoundFilesRoundTrip) {
    for (const config_entries& e : {config_entries{}, sample_entries()}) {
        const config_decode_result r = decode_config_store(encode_config_store(e));
        EXPECT_FALSE(r.damaged()) << r.problem;
        EXPECT_EQ(r.entries, e);
        EXPECT_EQ(r.entries_read, e.size());
        EXPECT_EQ(r.expected_count, e.size());
    }
}

TEST(ConfigCodec, AFlippedByteCostsAtMostTheEntryItHits) {
    const layout l = sample_layout();
    const config_entries all = sample_entries();
    for (const char mask : {'\x01', '\x80', '\xff'}) {
        for (size_t pos = 0; pos < l.file.size(); ++pos) {
            std::string damaged = l.file;
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
                for (size_t i = 0; i < l.spans.size(); ++i)
                    if (pos >= l.spans[i].first && pos < l.spans[i].second)
                        expected.erase(l.ids[i]);
                EXPECT_EQ(r.entries, expected) << "byte " << pos << ": " << r.problem;
                EXPECT_EQ(r.expected_count, all.size());
            }
        }
    }
}

TEST(ConfigCodec, EveryTruncationKeepsTheWholeEntriesBeforeTheCut) {
    const layout l = sample_layout();
    for (size_t n = 0; n < l.file.size(); ++n) {
        const config_decode_result r = decode_config_store(std::string_view(l.file).substr(0, n));
        ASSERT_TRUE(r.damaged()) << n;
        size_t whole = 0;
        while (whole < l.spans.size() && l.spans[whole].second <= n) ++whole;
        ASSERT_EQ(r.entries.size(), whole) << n;
        for (size_t i = 0; i < whole; ++i) EXPECT_EQ(r.entries.count(l.ids[i]), 1u) << n;
    }
}

TEST(ConfigCodec, GarbageNeverYieldsEntries) {
    std::mt19937 rng(12345);
    const std::string header = encode_config_store({});
    for (size_t length : {1u, 7u, 8u, 19u, 20u, 23u, 24u, 100u, 4096u}) {
        for (int round = 0; round < 20; ++round) {
            std::string junk(length, '\0');
            for (char& c : junk) c = static_cast<char>(rng());
            const config_decode_result plain = decode_config_store(junk);
            EXPECT_TRUE(plain.damaged());
            EXPECT_TRUE(plain.entries.empty());
            const config_decode_result after_header = decode_config_store(header + junk);
            EXPECT_TRUE(after_header.damaged());
            EXPECT_TRUE(after_header.entries.empty());
        }
    }
    const std::string zeros = header + std::string(1000, '\0');
    EXPECT_TRUE(decode_config_store(zeros).entries.empty());
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

}  // namespace
}  // namespace cor
