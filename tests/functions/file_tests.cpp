// $files, $files_ex, $textfile, $textwrite, $cmd, $getimageinfo and the
// DSP chain and key/value files, as scripts call them over real files.
#include <filesystem>

#include "config/test_folder.h"
#include "corvina500/dsp/dsp_chain.h"
#include "function_test_util.h"
#include "functions/code_page.h"
#include "functions/command_function.h"
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
    cor::test::test_folder dir;

    // Platform path of a name in the test folder.
    std::string at(std::string_view name) { return dir.path(name); }
    void put(std::string_view name, const std::string& content) {
        fs::create_directories(dir.file(name).parent_path());
        cor::test::write_bytes(dir.file(name), content);
    }
    std::string get(std::string_view name) { return cor::test::read_bytes(dir.file(name)); }
    // The output, then "y" or "n" for the found flag (the script runs twice).
    std::string found(const std::string& call) { return run(call + "|$if(" + call + ",y,n)"); }
    // No temporary file is left beside what was written.
    void expect_no_leftovers() {
        for (const auto& e : fs::recursive_directory_iterator(dir.file("")))
            EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos)
                << e.path().string();
    }
};

TEST_F(Files, ListingFilesAndFolders) {
    put("a.txt", "abc");
    put("b.log", "hello");
    put("sub\\c.TXT", "1234567");
    put("sub\\deep\\d.txt", "");
    fs::create_directories(dir.file("sub2"));
    const std::string root = at("");
    struct row {
        std::string call, expect;
    };
    const row rows[] = {
        {"$files(" + root + "a.txt)", "1|y"},
        {"$files(" + root + "sub)", "1|y"},  // folders count here
        {"$files(" + root + "zz*)", "|n"},
        {"$files('')", "|n"},
        {"$files(count," + root + "*.txt," + root + "sub\\*.txt)", "2|y"},
        {"$files(SIZE," + root + "*," + root + "sub\\*)", "15|y"},  // folders have no size
        {"$files(0," + root + "*.zzz," + root + "sub\\*.txt)", root + "sub\\c.TXT|y"},
        {"$files(word," + root + "*.zzz," + root + "sub\\*.txt)", root + "sub\\c.TXT|y"},
        {"$files(5," + root + "*.txt)", "|n"},
        {"$files_ex(count," + root + ",*.txt)", "3|y"},
        {"$files_ex(count," + root + ",*.txt,a.*)", "3|y"},  // one count per file
        {"$files_ex(count," + root + ",?.LOG)", "1|y"},
        {"$files_ex(size," + root + ",*.txt)", "10|n"},
        {"$files_ex(size," + root + "sub\\deep,*)", "0|y"},
        {"$files_ex(0," + root + ",*.txt)", root + "a.txt|y"},
        // A folder's own files first, then its subfolders depth first.
        {"$files_ex(1," + root + ",*.txt)", root + "sub\\c.TXT|y"},
        {"$files_ex(2," + root + ",*.txt)", root + "sub\\deep\\d.txt|y"},
        {"$files_ex(3," + root + ",*.txt)", "|y"},
        {"$files_ex(count," + root + ",,)", "|n"},
    };
    for (const auto& r : rows) EXPECT_EQ(found(r.call), r.expect) << r.call;
    EXPECT_EQ(host.take_lines(), lines{});
    EXPECT_EQ(run_lines("$files_ex(every," + root + ",*)"),
              (lines{"", "$files_ex: invalid syntax"}));
    EXPECT_EQ(run_lines("$errorlevel(middle)$files(count,nofolder.txt," + root + "*.log)"),
              (lines{"1", "$files: path error"}));
}

TEST_F(Files, ReadingTextFiles) {
    put("three.txt", "\xEF\xBB\xBFone\r\ntwo\r\nthree");
    put("ansi.txt", "caf\xE9\r\nx\r\n");
    put("long.txt", std::string(5000, 'a') + "\r\nend");
    put("empty.txt", "");
    const std::string p = at("three.txt");
    struct row {
        std::string call, expect;
    };
    const row rows[] = {
        {"$textfile(" + p + ")", "one\r\ntwo\r\nthree\r\n"},
        {"$textfile(" + p + ",from:2)", "two\r\nthree\r\n"},
        {"$textfile(" + p + ",from:2,to:2)", "two\r\n"},
        {"$textfile(" + p + ",crlf:false)", "onetwothree"},
        {"$textfile(" + p + ",output:count,from:2)", "3"},
        // The per-line script sees the line feed; one is taken off after.
        {"$textfile(" + p + ",'tf:$len(%_line%)')", "4\r\n4\r\n5\r\n"},
        {"$textfile(" + p +
             ",'tf:$upper(%_line%)$ifgreater($strstr(%_line%,two),0,$break(),)',crlf:false)",
         "ONETWO"},
        {"$textfile(" + p + ",tf:<\\p_line\\p>,escape:true,to:1)", "<one\n>\r\n"},
        {"$textfile(" + at("ansi.txt") + ",charcode:sjis)",
         cor::to_utf8(vesk::code_page_to_wide("caf\xE9", CP_ACP)) + "\r\nx\r\n"},
        // 1999 characters at most per read: 5000 make three lines.
        {"$textfile(" + at("long.txt") + ",output:count)", "4"},
        {"$if($textfile(" + at("empty.txt") + ",output:count),y,n)", "n"},
    };
    for (const auto& r : rows) EXPECT_EQ(run(r.call), r.expect) << r.call;
    EXPECT_TRUE(host.take_lines().empty());
    EXPECT_EQ(
        run_lines("$textfile(" + at("none.txt") + ")|$textfile(" + p +
                  ",charcode:latin)|$textfile(" + p + ",output:all)|$textfile(" + p + ",size:1)"),
        (lines{"|||", "$textfile: file read error", "$textfile: unknown charcode 'latin'",
               "$textfile: unknown output type 'all'", "$textfile: unknown option 'size:1'"}));
}

// A device (by a reserved name, in any folder, with any extension, or by
// a device path) is never opened or waited on: each function answers with
// its own error, as for a file that is not there. A long path to a disk
// file still reads.
TEST_F(Files, DevicesAreRefusedWithTheFunctionsOwnError) {
    put("three.txt", "one");
    const std::string in = at("");
    struct row {
        std::string call, line;
    };
    const row rows[] = {
        {"$getimageinfo(AUX,width)", "$getimageinfo: file open error"},
        {"$getimageinfo(" + in + "com1.png,type)", "$getimageinfo: file open error"},
        {"$getimageinfo('" + in + "Lpt9 .jpg',height)", "$getimageinfo: file open error"},
        {"$textfile(CON)", "$textfile: file read error"},
        {"$textfile('CONIN$')", "$textfile: file read error"},
        {"$textfile(" + in + "nul.txt)", "$textfile: file read error"},
        {"$textfile(\\\\.\\pipe\\vesk)", "$textfile: file read error"},
        {"$textfile(\\\\.\\" + in.substr(0, 2) + ")", "$textfile: file read error"},
        {"$textwrite(PRN,x)", "$textwrite: file write error"},
        {"$textwrite(" + in + "aux.txt,x)", "$textwrite: file write error"},
        {"$textwrite(" + in + "com\u00b9,x,mode:add)", "$textwrite: file write error"},
    };
    host.take_lines();
    for (const auto& r : rows) {
        EXPECT_EQ(run("$if(" + r.call + ",y,n)"), "n") << r.call;
        EXPECT_EQ(host.take_lines(), lines{r.line}) << r.call;
    }
    EXPECT_EQ(run("$if($files(AUX),y,n)$if($files(" + in + "nul),y,n)"), "nn");
    EXPECT_EQ(run("$textfile(\\\\?\\" + at("three.txt") + ",crlf:false)"), "one");
    expect_no_leftovers();
}

TEST_F(Files, WritingTextFiles) {
    const std::string p = at("out.txt");
    EXPECT_EQ(found("$textwrite(" + p + ",a$char(13)$char(10)b$char(10))"), "|y");
    EXPECT_EQ(get("out.txt"),
              "\xEF\xBB\xBF"
              "a\r\nb\r\n");
    EXPECT_EQ(run("$textwrite(" + p + ",c,mode:add)"), "");
    EXPECT_EQ(get("out.txt"),
              "\xEF\xBB\xBF"
              "a\r\nb\r\nc");
    // Appending to a new file starts it as a whole file does.
    EXPECT_EQ(run("$textwrite(" + at("new.txt") + ",z,mode:add)"), "");
    EXPECT_EQ(get("new.txt"), "\xEF\xBB\xBFz");
    EXPECT_EQ(run("$textwrite(" + p + ",caf$char(233)$char(10),charcode:sjis)"), "");
    EXPECT_EQ(get("out.txt"), vesk::utf8_to_code_page("café", vesk::ansi_code_page) + "\r\n");
    EXPECT_TRUE(host.take_lines().empty());
    // Bad options leave the file as it was.
    EXPECT_EQ(run_lines("$textwrite(" + p + ",x,mode:insert)$textwrite(" + p +
                        ",x,charcode:ebcdic)$textwrite(" + at("no\\such\\folder.txt") + ",x)"),
              (lines{"", "$textwrite: unknown write mode 'insert'",
                     "$textwrite: unknown charcode 'ebcdic'", "$textwrite: file write error"}));
    EXPECT_EQ(get("out.txt"), vesk::utf8_to_code_page("café", vesk::ansi_code_page) + "\r\n");
    expect_no_leftovers();
}

// The helper program's command line, in the platform's form.
std::string child(const std::string& args) {
    std::string path = "Z:" COR_CMD_CHILD;
    for (char& ch : path)
        if (ch == '/') ch = '\\';
    return "'" + path + "' " + args;
}

TEST_F(Files, RunningPrograms) {
    // Far more than a pipe holds, in one write.
    const std::string big = run("$cmd(" + child("big 300000") + ")");
    ASSERT_EQ(big.size(), 300000u);
    EXPECT_EQ(big.substr(0, 27), "abcdefghijklmnopqrstuvwxyza");
    EXPECT_EQ(big.back(), char('a' + 299999 % 26));
    // A failing program: its output still comes, its errors go to the store.
    EXPECT_EQ(found("$cmd(" + child("fail") + ",stderr:err)"), "out|y");
    const std::string* err = vesk::hash_store::instance().get("err");
    ASSERT_NE(err, nullptr);
    EXPECT_EQ(*err, "oops\n");
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
}

TEST_F(Files, OpeningThroughTheShell) {
    std::string program = "Z:" COR_CMD_CHILD;
    for (char& ch : program)
        if (ch == '/') ch = '\\';
    // Started hidden, the program leaves its mark; the call does not wait.
    EXPECT_EQ(run_lines("$if($execute(" + program + ",'touch \"" + at("mark.txt") +
                        "\" started',hide),y,n)"),
              (lines{"y"}));
    std::string mark;
    for (int i = 0; i < 200 && mark != "started"; ++i) {
        Sleep(50);
        if (fs::exists(dir.file("mark.txt"))) mark = get("mark.txt");
    }
    EXPECT_EQ(mark, "started");
    // A program that is not there: a console line, no dialog to wait on.
    EXPECT_EQ(
        run_lines("$if($exec(Z:\\no\\such\\program.exe),y,n)$exec()"),
        (lines{"y", "$exec: cannot open 'Z:\\no\\such\\program.exe'", "$exec: invalid syntax"}));
}

std::string le16(unsigned v) { return bytes({int(v & 0xFF), int(v >> 8)}); }
std::string be16(unsigned v) { return bytes({int(v >> 8), int(v & 0xFF)}); }
std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

TEST_F(Files, ImageHeaders) {
    const std::string png_head = "\x89PNG\r\n\x1A\n";
    const std::string png = png_head + bytes({0, 0, 0, 4}) + "gAMA" + "\1\2\3\4" + "CRC!" +
                            bytes({0, 0, 0, 13}) + "IHDR" + bytes({0, 0, 2, 0x80, 0, 0, 1, 0xE0}) +
                            bytes({8, 2, 0, 0, 0}) + "CRC!";
    const std::string gif = "GIF89a" + le16(40000) + le16(40000) + std::string(10, '\0');
    const std::string bmp40 = "BM" + std::string(12, '\0') + le32(40) + le32(0x10000 + 300) +
                              le32(200) + std::string(28, '\0');
    const std::string bmp12 =
        "BM" + std::string(12, '\0') + le32(12) + le16(17) + le16(23) + std::string(4, '\0');
    const std::string bmp124 = "BM" + std::string(12, '\0') + le32(124) + std::string(120, '\0');
    std::string jpeg = bytes({0xFF, 0xD8, 0xFF, 0xE0}) + be16(16) + std::string(14, 'j') +
                       bytes({0xFF, 0xC2}) + be16(17) + bytes({8}) + be16(480) + be16(640) +
                       std::string(12, '\0');
    std::string jpeg_far = bytes({0xFF, 0xD8});
    for (int i = 0; i < 31; ++i) jpeg_far += bytes({0xFF, 0xE1}) + be16(4) + "xy";
    jpeg_far += bytes({0xFF, 0xC0}) + be16(17) + bytes({8}) + be16(10) + be16(20);
    put("p.png", png);
    put("g.gif", gif);
    put("b40.bmp", bmp40);
    put("b12.bmp", bmp12);
    put("b124.bmp", bmp124);
    put("j.jpg", jpeg);
    put("far.jpg", jpeg_far);
    put("cut.png", png_head + bytes({0, 0, 0}));
    put("cut.jpg", bytes({0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8}));
    put("t.txt", "plain text");
    struct row {
        const char* file;
        std::string type, width, height;
    };
    const row rows[] = {
        {"p.png", "PNG", "640", "480"},   {"g.gif", "GIF", "-25536", "40000"},
        {"b40.bmp", "BMP", "300", "200"}, {"b12.bmp", "BMP", "17", "23"},
        {"j.jpg", "JPEG", "640", "480"},  {"far.jpg", "JPEG", "0", "0"},
        {"t.txt", "Unknown", "", ""},
    };
    for (const auto& r : rows) {
        const std::string f = at(r.file);
        EXPECT_EQ(run("$getimageinfo(" + f + ",TYPE)|$if($getimageinfo(" + f + ",type),y,n)|" +
                      "$getimageinfo(" + f + ",width)|$getimageinfo(" + f + ",height)"),
                  r.type + "|n|" + r.width + "|" + r.height)
            << r.file;
    }
    host.take_lines();
    const std::string call = "$errorlevel(middle)$getimageinfo(";
    EXPECT_EQ(
        run_lines(call + at("t.txt") + ",width)" + "$getimageinfo(" + at("b124.bmp") +
                  ",width)$getimageinfo(" + at("cut.png") + ",width)$getimageinfo(" +
                  at("cut.jpg") + ",height)$getimageinfo(" + at("none.png") +
                  ",width)$getimageinfo(" + at("p.png") + ",depth)"),
        (lines{"", "$getimageinfo: unknown file type", "$getimageinfo: unknown file type (bmp?)",
               "$getimageinfo: file read error", "$getimageinfo: file read error",
               "$getimageinfo: file open error", "$getimageinfo: invalid mode"}));
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
    ASSERT_NE(store.get("name"), nullptr);
    EXPECT_EQ(*store.get("name"), "Zoë");
    EXPECT_EQ(*store.get("absent"), "");  // set to empty in its place
    EXPECT_EQ(*store.get("other"), "stays");
    EXPECT_EQ(store.items().front().key, "absent");

    // Cut inside the second pair: the first pair is set, then the error.
    store.clear();
    put("cut.bin", expected.substr(0, expected.size() - 3));
    put("wrong.bin", dsp_id + le32(0));
    EXPECT_EQ(
        run_lines("$hash_load(" + at("cut.bin") + ")$hash_load(" + at("wrong.bin") +
                  ")$hash_load(" + at("none.bin") + ")$hash_save(" + at("no\\dir\\x") + ",k)"),
        (lines{"", "$hash_load: file read error", "$hash_load: file read error",
               "$hash_load: file read error", "$hash_save: write error"}));
    EXPECT_EQ(store.size(), 1u);
    EXPECT_EQ(*store.get("name"), "Zoë");
}

TEST_F(Files, DspChainFile) {
    cor::dsp_chain& chain = host.player().dsp();
    const int32_t gains[cor::equalizer_bands] = {0, 0, 0, 0, 0, 600, 0, 0, 0, -1200};
    const cor::guid unknown{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_TRUE(chain.set(
        {cor::balance_preset(-30), cor::equalizer_preset(gains), cor::t_dsp_preset{unknown, {}}}));
    const std::string p = at("chain.dsp");
    EXPECT_EQ(found("$dsp_save(" + p + ")"), "|y");
    std::string eq;
    for (int32_t g : gains) eq += le32(uint32_t(g));
    const std::string expected =
        dsp_id + le32(3) +
        bytes({0x3E, 0x5A, 0x0C, 0x8B, 0xD2, 0x61, 0x7F, 0x4E, 0x9A, 0x14, 0x2C, 0x6D, 0x3B, 0x8E,
               0x5F, 0x01}) +
        le32(4) + le32(uint32_t(-30)) +
        bytes({0x95, 0x1E, 0x7A, 0xD4, 0x08, 0x3C, 0x62, 0x4B, 0x8F, 0x5D, 0xA1, 0xE6, 0xC2, 0x79,
               0x0B, 0x34}) +
        le32(40) + eq +
        bytes({0x78, 0x56, 0x34, 0x12, 0xbc, 0x9a, 0xf0, 0xde, 1, 2, 3, 4, 5, 6, 7, 8}) + le32(0);
    EXPECT_EQ(get("chain.dsp"), expected);

    ASSERT_TRUE(chain.set({}));
    EXPECT_EQ(found("$dsp_load(" + p + ")"), "|y");
    ASSERT_EQ(chain.entries().size(), 3u);
    EXPECT_EQ(chain.entries()[0].name, "Balance");
    EXPECT_EQ(chain.entries()[1].name, "Equalizer");
    EXPECT_EQ(chain.entries()[2].preset.owner, unknown);
    EXPECT_EQ(chain.encode().size(), expected.size() - 16);

    // Damaged files leave the chain as it was.
    ASSERT_TRUE(chain.set({cor::balance_preset(50)}));
    const std::string before = chain.encode();
    put("cut.dsp", expected.substr(0, expected.size() - 1));
    put("bad.dsp", dsp_id + le32(1) + expected.substr(20, 16) + le32(4) + le32(500));
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
