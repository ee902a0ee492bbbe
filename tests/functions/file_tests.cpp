// $files, $files_ex, $textfile, $textwrite, $cmd, $getimageinfo and the
// DSP chain and key/value files, as scripts call them over real files.
#include <algorithm>
#include <filesystem>

#include "corvina500/dsp/dsp_chain.h"
#include "function_test_util.h"
#include "functions/code_page.h"
#include "functions/command_function.h"
#include "support/test_folder.h"
#include "utf8.h"

using namespace function_test;
namespace fs = std::filesystem;

namespace {

std::string bytes(std::initializer_list<int> b) {
    std::string s;
    for (int c : b) s += static_cast<char>(c);
    return s;
}

class Files : public FunctionTest {
protected:
    cor_test::test_folder dir;

    // Platform path of a name in the test folder.
    std::string at(std::string_view name) { return dir.path(name); }
    void put(std::string_view name, const std::string& content) {
        fs::create_directories(dir.file(name).parent_path());
        cor_test::write_bytes(dir.file(name), content);
    }
    std::string get(std::string_view name) { return cor_test::read_bytes(dir.file(name)); }
    // The output, then "y" or "n" for the found flag (the script runs twice).
    std::string found(const std::string& call) { return run(call + "|$if(" + call + ",y,n)"); }
    // No temporary file is left beside what was written.
    void expect_no_leftovers() {
        for (const auto& e : fs::recursive_directory_iterator(dir.file("")))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos)
                << e.path().string();
    }
};

// The rows of data/textwrite.tsv, in order.
TEST_F(Files, WritingTextFiles) {
    const cor_test::names vars = {{"dir", at("")},
                                  {"bom", "\xEF\xBB\xBF"},
                                  {"cafe", vesk::utf8_to_code_page("café", vesk::ansi_code_page)}};
    for (const auto& row : cor_test::read_case_table("functions/data/textwrite.tsv", 5)) {
        expect_row(row, 1, vars);
        EXPECT_EQ(get(row.fields[0]), cor_test::case_field(row, 4, vars)) << row.where;
    }
    expect_no_leftovers();
}

// The helper program, and a command line of it, in the platform's form.
std::string child_path() {
    std::string path = "Z:" COR_CMD_CHILD;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}
std::string child(const std::string& args) { return "'" + child_path() + "' " + args; }

TEST_F(Files, RunningAndOpeningPrograms) {
    // Far more than a pipe holds, in one write.
    const std::string big = run("$cmd(" + child("big 300000") + ")");
    ASSERT_EQ(big.size(), 300000u);
    EXPECT_EQ(big.substr(0, 27), "abcdefghijklmnopqrstuvwxyza");
    EXPECT_EQ(big.back(), char('a' + 299999 % 26));
    // A failing program: its output still comes (its errors are the documentation's example).
    EXPECT_EQ(found("$cmd(" + child("fail") + ",stderr:err)"), "out|y");
    EXPECT_EQ(run("$cmd(" + child("cat") + ",stdin:hello" + "$char(10)" + "world)"),
              "hello\nworld");
    EXPECT_EQ(run("$cmd(" + child("cat") + ",'stdin:" + std::string(100000, 'q') + "')").size(),
              100000u);
    EXPECT_TRUE(host.take_lines().empty());
    EXPECT_EQ(run_lines("$if($cmd(Z:\\no\\such\\program.exe),y,n)|$cmd(x,charcode:x)"),
              (lines{"n|", "$cmd: unknown charcode 'x'"}));
    // A program that never ends is ended at the bound.
    vesk::set_command_time_limit(1000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(run_lines("$if($cmd(" + child("hang") + "),y,n)"),
              (lines{"y", "$cmd: program still running after 1 seconds; it was ended"}));
    EXPECT_LT(GetTickCount() - start, 10000u);
    vesk::set_command_time_limit(0);

    // $execute: started hidden, the program leaves its mark; the call does not wait.
    EXPECT_EQ(run_lines("$if($execute(" + child_path() + ",'touch \"" + at("mark.txt") +
                        "\" started',hide),y,n)"),
              (lines{"y"}));
    EXPECT_TRUE(cor_test::pump_until([&] { return get("mark.txt") == "started"; }))
        << get("mark.txt");
    // A program that is not there: a console line, no dialog to wait on.
    EXPECT_EQ(
        run_lines("$if($exec(Z:\\no\\such\\program.exe),y,n)$exec()"),
        (lines{"y", "$exec: cannot open 'Z:\\no\\such\\program.exe'", "$exec: invalid syntax"}));
}

std::string le16(unsigned v) { return bytes({int(v & 0xFF), int(v >> 8)}); }
std::string be16(unsigned v) { return bytes({int(v >> 8), int(v & 0xFF)}); }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// The rows of data/files.tsv, over the files and pictures written here.
TEST_F(Files, ScriptTable) {
    for (const auto& [name, content] : meta_list{{"tree\\a.txt", "abc"},
                                                 {"tree\\b.log", "hello"},
                                                 {"tree\\sub\\c.TXT", "1234567"},
                                                 {"tree\\sub\\deep\\d.txt", ""},
                                                 {"three.txt", "\xEF\xBB\xBFone\r\ntwo\r\nthree"},
                                                 {"long.txt", std::string(5000, 'a') + "\r\nend"},
                                                 {"empty.txt", ""},
                                                 {"one.txt", "one"},
                                                 {"t.txt", "plain text"},
                                                 {"ansi.txt", "caf\xE9\r\nx\r\n"}})
        put(name, content);
    fs::create_directories(dir.file("tree\\sub2"));
    const std::string png_head = "\x89PNG\r\n\x1A\n";
    put("p.png", png_head + bytes({0, 0, 0, 4}) + "gAMA" + "\1\2\3\4" + "CRC!" +
                     bytes({0, 0, 0, 13}) + "IHDR" + bytes({0, 0, 2, 0x80, 0, 0, 1, 0xE0}) +
                     bytes({8, 2, 0, 0, 0}) + "CRC!");
    put("g.gif", "GIF89a" + le16(40000) + le16(40000) + std::string(10, '\0'));
    put("b40.bmp", "BM" + std::string(12, '\0') + le32(40) + le32(0x10000 + 300) + le32(200) +
                       std::string(28, '\0'));
    put("b12.bmp",
        "BM" + std::string(12, '\0') + le32(12) + le16(17) + le16(23) + std::string(4, '\0'));
    put("b124.bmp", "BM" + std::string(12, '\0') + le32(124) + std::string(120, '\0'));
    put("j.jpg", bytes({0xFF, 0xD8, 0xFF, 0xE0}) + be16(16) + std::string(14, 'j') +
                     bytes({0xFF, 0xC2}) + be16(17) + bytes({8}) + be16(480) + be16(640) +
                     std::string(12, '\0'));
    put("cut.png", png_head + bytes({0, 0, 0}));
    put("cut.jpg", bytes({0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8}));
    expect_table("files.tsv",
                 {{"tree", at("tree\\")}, {"dir", at("")}, {"drive", at("").substr(0, 2)}});
    expect_no_leftovers();
    // Read in the ANSI code page, as the platform converts it.
    EXPECT_EQ(run_lines("$textfile(" + at("ansi.txt") + ",charcode:sjis)"),
              lines{cor::to_utf8(vesk::code_page_to_wide("caf\xE9", CP_ACP)) + "\r\nx\r\n"});
}

const std::string hash_id = bytes({0x3D, 0x91, 0x86, 0xE9, 0xCD, 0xD6, 0x49, 0x40, 0xB0, 0x92, 0x70,
                                   0xEE, 0x70, 0x95, 0x7D, 0x55});
const std::string dsp_id = bytes({0x1A, 0xC3, 0x18, 0xF0, 0x3D, 0x0F, 0x00, 0x47, 0x92, 0x8E, 0xF9,
                                  0x0F, 0xE5, 0xEB, 0xC1, 0xD4});

TEST_F(Files, KeyValueStoreFile) {
    auto& store = vesk::hash_store::instance();
    store.set("name", "Zoë");
    store.set("n", "");
    const std::string p = at("store.bin");
    EXPECT_EQ(found("$hash_save(" + p + ",name,absent)"), "|y");
    const std::string expected =
        hash_id + le32(2) + le32(4) + "name" + le32(4) + "Zoë" + le32(6) + "absent" + le32(0);
    EXPECT_EQ(get("store.bin"), expected);
    expect_no_leftovers();

    store.clear();
    store.set("absent", "was here");
    store.set("other", "stays");
    EXPECT_EQ(found("$hash_load(" + p + ")"), "|y");
    EXPECT_EQ(hash_items(), "absent=;other=stays;name=Zoë;");  // a known key keeps its place

    // Cut inside the second pair: the first pair is set, then the error.
    store.clear();
    put("cut.bin", expected.substr(0, expected.size() - 3));
    put("wrong.bin", dsp_id + le32(0));
    EXPECT_EQ(
        run_lines("$hash_load(" + at("cut.bin") + ")$hash_load(" + at("wrong.bin") +
                  ")$hash_load(" + at("none.bin") + ")$hash_save(" + at("no\\dir\\x") + ",k)"),
        (lines{"", "$hash_load: file read error", "$hash_load: file read error",
               "$hash_load: file read error", "$hash_save: write error"}));
    EXPECT_EQ(hash_items(), "name=Zoë;");
}

// The file's layout is run by the documentation's example (an equalizer
// written by hand, loaded and saved again); here the other processors, a
// chain read back whole, and damaged files that leave it as it was.
TEST_F(Files, DspChainFile) {
    cor::dsp_chain& chain = host.player().dsp();
    const int32_t gains[cor::equalizer_bands] = {0, 0, 0, 0, 0, 600, 0, 0, 0, -1200};
    const cor::guid unknown{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_TRUE(chain.set(
        {cor::balance_preset(-30), cor::equalizer_preset(gains), cor::t_dsp_preset{unknown, {}}}));
    const std::string saved = chain.encode(), p = at("chain.dsp");
    EXPECT_EQ(found("$dsp_save(" + p + ")"), "|y");
    ASSERT_TRUE(chain.set({}));
    EXPECT_EQ(found("$dsp_load(" + p + ")"), "|y");
    EXPECT_EQ(chain.encode(), saved);
    const std::string file = get("chain.dsp");
    EXPECT_EQ(file.substr(0, 20), dsp_id + le32(3));

    // Damaged files leave the chain as it was.
    ASSERT_TRUE(chain.set({cor::balance_preset(50)}));
    const std::string before = chain.encode();
    put("cut.dsp", file.substr(0, file.size() - 1));
    put("bad.dsp", dsp_id + le32(1) + file.substr(20, 16) + le32(4) + le32(500));
    put("hash.bin", hash_id + le32(0));
    EXPECT_EQ(run_lines("$dsp_load(" + at("cut.dsp") + ")$dsp_load(" + at("bad.dsp") +
                        ")$dsp_load(" + at("hash.bin") + ")$dsp_load(" + at("none.dsp") +
                        ")$dsp_save(" + at("no\\dir\\x.dsp") + ")"),
              (lines{"", "$dsp_load: file read error", "$dsp_load: file read error",
                     "$dsp_load: file read error", "$dsp_load: file read error",
                     "$dsp_save: file write error"}));
    EXPECT_EQ(chain.encode(), before);
    expect_no_leftovers();
}

}  // namespace
