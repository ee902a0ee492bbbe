#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "media/file_reader.h"
#include "media/folder_scan.h"
#include "media/media_library.h"
#include "media_samples.h"
#include "support/test_folder.h"

namespace cor {
namespace {

using namespace media_test;

// The test's folder, with media files and folders made in it by relative names.
struct t_temp_folder : cor_test::test_folder {
    [[nodiscard]] std::string root() const { return cor_test::utf8_path(dir()); }
    void make_folder(std::string_view relative) const {
        ASSERT_TRUE(std::filesystem::create_directory(file(relative))) << relative;
    }
    void write(std::string_view relative, const t_bytes& data) const {
        ASSERT_TRUE(cor_test::write_bytes(file(relative), std::string(data.begin(), data.end())))
            << relative;
    }
};

t_bytes tagged_mp3(std::string_view title, size_t frames) {
    return id3_tag(3, id3_text(3, "TIT2", 3, latin1(title))) + mp3_frames(frames);
}

TEST(FileReader, NonAsciiNamesWholeFilesAndMissingOnes) {
    t_temp_folder dir;
    dir.make_folder("Müsik ☃");
    const std::string name = "Müsik ☃/Ünïcödé ♫ 日本.mp3";
    // More than one read window of the frame search, and an ID3v1 tag at the end.
    const t_bytes file = tagged_mp3("Grüße", 200) + t_builder().str("TAG").fill(125).b;
    dir.write(name, file);

    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(read_whole_file(dir.path(name), bytes, error)) << error;
    EXPECT_EQ(bytes, file);

    t_track_info from_file;
    ASSERT_TRUE(read_track_file(dir.path(name), from_file, error)) << error;
    const t_track_info from_memory = read_ok(file, dir.path(name));
    EXPECT_EQ(tags(from_file, "title"), "Grüße");
    EXPECT_EQ(from_file.file_size, file.size());
    EXPECT_EQ(from_file.info, from_memory.info);
    EXPECT_NEAR(from_file.length(), 200 * 417 * 8 / 128000.0, 1e-4);

    t_track_info info;
    EXPECT_FALSE(read_track_file(dir.path("nothing.mp3"), info, error));
    EXPECT_EQ(error, "file not found");
    error.clear();
    EXPECT_FALSE(read_whole_file(dir.root(), bytes, error));
    EXPECT_FALSE(error.empty());
    dir.write("broken.flac", latin1("fLaC"));
    EXPECT_FALSE(read_track_file(dir.path("broken.flac"), info, error));
    EXPECT_EQ(error, "truncated FLAC metadata");
}

TEST(FolderScan, NameOrderFoldersAmongFilesAndExtensionFilter) {
    t_temp_folder dir;
    dir.make_folder("B sub");
    dir.make_folder("B sub/deeper");
    dir.make_folder("empty");
    for (const char* f : {"a.flac", "b.MP3", "c.txt", "C.Wav", "Ω.flac", "noext", "B sub/x.ogg",
                          "B sub/notes.txt", "B sub/deeper/y.WAV", "mp3"})
        dir.write(f, {});
    const std::vector<std::string> expected = {
        dir.path("a.flac"),      dir.path("B sub/deeper/y.WAV"),
        dir.path("B sub/x.ogg"), dir.path("b.MP3"),
        dir.path("C.Wav"),       dir.path("Ω.flac")};
    EXPECT_EQ(list_media_files(dir.root()), expected);
    EXPECT_EQ(list_media_files(dir.root() + '\\'), expected);  // trailing separator
    EXPECT_EQ(list_media_files(dir.path("c.txt")), std::vector<std::string>{dir.path("c.txt")});
    EXPECT_TRUE(list_media_files(dir.path("missing")).empty());
    EXPECT_TRUE(list_media_files(dir.path("empty")).empty());
}

TEST(MediaLibrary, ScanReportsBrokenFilesAndFindsIgnoringCase) {
    t_temp_folder dir;
    dir.make_folder("sub");
    dir.write("one.mp3", tagged_mp3("One", 3));
    dir.write("sub/two.mp3", tagged_mp3("Twö", 3));
    dir.write("sub/broken.mp3", t_bytes(1000, 0x20));
    dir.write("sub/readme.txt", latin1("not media"));

    media_library lib;
    EXPECT_TRUE(lib.add_folder(dir.root()));
    EXPECT_TRUE(lib.add_folder(dir.path("sub")));  // overlaps: files are read once
    EXPECT_TRUE(lib.add_folder(dir.path("gone")));
    EXPECT_FALSE(lib.add_folder(dir.path("SUB")));
    std::vector<std::string> lines;
    EXPECT_EQ(lib.scan([&](std::string_view line) { lines.emplace_back(line); }), 2u);
    EXPECT_EQ(lines,
              (std::vector<std::string>{dir.path("sub/broken.mp3") + ": no MPEG audio frame found",
                                        dir.path("gone") + ": folder not found"}));
    ASSERT_EQ(lib.item_count(), 2u);
    EXPECT_EQ(lib.items()[0]->path, dir.path("one.mp3"));
    EXPECT_EQ(lib.items()[1]->path, dir.path("sub/two.mp3"));

    const media_library::t_item found = lib.find(dir.path("SUB/TWO.MP3"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(tags(*found, "title"), "Twö");
    EXPECT_EQ(lib.find(dir.path("sub/broken.mp3")), nullptr);

    EXPECT_TRUE(lib.remove_folder(dir.path("Gone")));
    EXPECT_FALSE(lib.remove_folder(dir.path("gone")));
    lib.set_enabled(false);
    EXPECT_EQ(lib.find(dir.path("one.mp3")), nullptr);
    EXPECT_EQ(lib.scan(), 0u);
    lib.set_enabled(true);
    EXPECT_EQ(lib.scan(), 2u);
}

// A rescan reads only what changed since the scan before: files added or
// changed (size or write time), not the others; files gone leave. Items
// not read again are the same items.
TEST(MediaLibrary, RescansReadOnlyWhatChanged) {
    t_temp_folder dir;
    dir.write("a.mp3", tagged_mp3("A", 3));
    dir.write("b.mp3", tagged_mp3("B", 3));
    dir.write("broken.mp3", t_bytes(1000, 0x20));
    media_library lib;
    ASSERT_TRUE(lib.add_folder(dir.root()));
    ASSERT_EQ(lib.scan(), 2u);
    // What changes, then the files read, kept and dropped, the reports (the
    // broken file is told at every scan) and the titles.
    const std::vector<std::pair<std::function<void()>, std::string>> rows = {
        {[] {}, "0 3 0 1: A B"},
        {[&] { dir.write("b.mp3", tagged_mp3("Bee", 4)); }, "1 2 0 1: A Bee"},
        {[&] { dir.write("c.mp3", tagged_mp3("C", 3)); }, "1 3 0 1: A Bee C"},
        {[&] {
             std::filesystem::remove(dir.file("a.mp3"));
             dir.write("broken.mp3", tagged_mp3("Mended", 5));
         },
         "1 2 1 0: Bee Mended C"},
    };
    for (const auto& [change, expected] : rows) {
        std::vector<media_library::t_item> before = lib.items();
        change();
        size_t reports = 0;
        const size_t count = lib.scan([&](std::string_view) { ++reports; });
        const auto& last = lib.last_scan();
        std::string got = std::to_string(last.read) + " " + std::to_string(last.kept) + " " +
                          std::to_string(last.dropped) + " " + std::to_string(reports) + ":";
        for (const auto& item : lib.items()) {
            got += " " + tags(*item, "title");
            // Unchanged files keep their items.
            for (const auto& old : before)
                EXPECT_TRUE(old->path != item->path ||
                            tags(*old, "title") != tags(*item, "title") || old == item)
                    << item->path;
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(count, lib.item_count()) << expected;
    }

    // Progress counts the files against all listed; a scan stopped after
    // the first file keeps what it read, and the next one reads the rest.
    dir.write("d.mp3", tagged_mp3("D", 3));
    std::vector<std::string> told;
    const auto progress = [&](size_t done, size_t total) {
        told.push_back(std::to_string(done) + "/" + std::to_string(total));
        return done < 1;
    };
    EXPECT_EQ(lib.scan({}, progress), 1u);
    EXPECT_EQ(told, (std::vector<std::string>{"0/4", "1/4"}));
    EXPECT_EQ(lib.scan(), 4u);
    EXPECT_EQ(lib.last_scan().read, 1u);  // d.mp3 alone: the stopped scan kept "Bee"
    EXPECT_EQ(lib.last_scan().kept, 3u);

    // What it knows, kept between runs: a new library given the bytes reads
    // nothing unchanged, and has the same tracks; damaged bytes are refused
    // and leave it reading every file.
    const std::string known = lib.save_known();
    std::string foreign = known;
    foreign[0] = 'X';
    const struct {
        const char* what;
        std::string bytes;
        bool taken;
    } caches[] = {
        {"whole", known, true},
        {"cut short", known.substr(0, known.size() - 3), false},
        {"one byte more", known + '\0', false},
        {"another kind of file", foreign, false},
        {"a count past the end",
         known.substr(0, 8) + std::string("\xff\xff\xff\x7f", 4) + known.substr(12), false},
        {"empty", "", false},
    };
    for (const auto& c : caches) {
        SCOPED_TRACE(c.what);
        media_library next;
        ASSERT_TRUE(next.add_folder(dir.root()));
        EXPECT_EQ(next.load_known(c.bytes), c.taken);
        EXPECT_EQ(next.scan(), 4u);
        EXPECT_EQ(next.last_scan().read, c.taken ? 0u : 4u);
        ASSERT_EQ(next.item_count(), lib.item_count());
        for (size_t i = 0; i < lib.item_count(); ++i) {
            EXPECT_EQ(tags(*next.items()[i], "title"), tags(*lib.items()[i], "title"));
            EXPECT_EQ(next.items()[i]->length(), lib.items()[i]->length());
            EXPECT_EQ(next.items()[i]->info, lib.items()[i]->info);
        }
    }
}

}  // namespace
}  // namespace cor
