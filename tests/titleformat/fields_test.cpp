// Track and player fields, and the track functions.
#include <gtest/gtest.h>

#include "core/track_info.h"
#include "tf_test_util.h"

namespace cor::tf::test {
namespace {

class TrackFields : public ::testing::Test {
protected:
    TrackFields() { ctx.track = &track; }

    std::string format(std::string_view script) { return text_of(script, &ctx); }

    t_track_info track;
    t_format_context ctx;
};

TEST_F(TrackFields, LengthFormats) {
    track.length_seconds = 205.4567;
    EXPECT_EQ(format("%length%|%length_ex%|%length_seconds%"), "3:25|3:25.457|205");
    track.length_seconds = 59.6;
    EXPECT_EQ(format("%length%|%length_seconds%"), "1:00|60");
    track.length_seconds = 3725;
    EXPECT_EQ(format("%length%|%length_ex%"), "1:02:05|1:02:05.000");
    track.length_seconds = 36000 * 3 + 7;
    EXPECT_EQ(format("%length%"), "30:00:07");
}

TEST_F(TrackFields, LengthFromSamples) {
    track.sample_rate = 44100;
    track.length_samples = 44100 * 90 + 22050;
    EXPECT_EQ(format("%length%|%length_samples%|%length_ex%"), "1:31|3991050|1:30.500");
    track.length_samples = 0;
    track.length_seconds = 2;
    EXPECT_EQ(format("%length_samples%"), "88200");
}

TEST_F(TrackFields, UnknownLengthIsUnresolved) {
    const outcome r = evaluate("[%length%]%length_samples%", &ctx);
    EXPECT_EQ(r.text, "?");
    EXPECT_FALSE(r.truth);
}

TEST_F(TrackFields, FileSizes) {
    track.file_size = 4456448;
    EXPECT_EQ(format("%filesize%|%filesize_natural%"), "4456448|4.25 MB");
    track.file_size = 512;
    EXPECT_EQ(format("%filesize_natural%"), "512 B");
    track.file_size = 1536;
    EXPECT_EQ(format("%filesize_natural%"), "1.50 KB");
    track.file_size = 3ull << 40;
    EXPECT_EQ(format("%filesize_natural%"), "3.00 TB");
    track.file_size = 0;
    EXPECT_EQ(format("%filesize%"), "?");
}

TEST_F(TrackFields, TechnicalInfo) {
    track.set_info("codec", "FLAC");
    track.set_info("bitrate", "912");
    track.set_info("bitspersample", "24");
    track.sample_rate = 96000;
    EXPECT_EQ(format("%codec%|%bitrate%|%samplerate%|%bitspersample%"), "FLAC|912|96000|24");
    for (const auto& [channels, text] :
         {std::pair{"1", "mono"}, std::pair{"2", "stereo"}, std::pair{"6", "6"}}) {
        track.set_info("channels", channels);
        EXPECT_EQ(format("%channels%"), text);
    }
}

TEST_F(TrackFields, TitleFallsBackToTheFileName) {
    track.path = "C:\\Music\\Band\\07 Some.Song.flac";
    EXPECT_EQ(format("%title%"), "07 Some.Song");
    track.add_meta("TITLE", "Real Title");
    EXPECT_EQ(format("%title%"), "Real Title");
}

TEST_F(TrackFields, Location) {
    track.path = "C:\\Music\\Band\\Album\\01 Song.mp3";
    EXPECT_EQ(format("%path%|%filename%|%filename_ext%|%directoryname%"),
              "C:\\Music\\Band\\Album\\01 Song.mp3|01 Song|01 Song.mp3|Album");
    track.path = "/home/me/music/a.ogg";
    EXPECT_EQ(format("%directoryname%|%filename%"), "music|a");
    track.path.clear();
    EXPECT_EQ(format("%path%|%filename%|%title%"), "?|?|?");
}

TEST_F(TrackFields, TrackAndDiscNumbers) {
    track.add_meta("tracknumber", "3/12");
    track.add_meta("discnumber", "1/2");
    EXPECT_EQ(format("%tracknumber%|%track%|%totaltracks%|%discnumber%|%totaldiscs%"),
              "03|03|12|1|2");
    t_track_info other;
    ctx.track = &other;
    other.add_meta("tracknumber", "12");
    other.add_meta("totaltracks", "14");
    EXPECT_EQ(format("%tracknumber%|%totaltracks%"), "12|14");
    t_track_info side;
    ctx.track = &side;
    side.add_meta("tracknumber", "A1");
    EXPECT_EQ(format("%tracknumber%|%totaltracks%"), "A1|?");
}

TEST_F(TrackFields, TrackArtistOnlyWhenItDiffersFromTheAlbumArtist) {
    track.add_meta("artist", "Guest");
    EXPECT_EQ(format("[%track artist%]"), "");  // no album artist: the same person
    track.add_meta("album artist", "Various");
    EXPECT_EQ(format("%track artist%|%album artist%|%artist%"), "Guest|Various|Guest");
    t_track_info same;
    same.add_meta("artist", "Band");
    same.add_meta("album artist", "Band");
    ctx.track = &same;
    EXPECT_EQ(format("%track artist%"), "?");
}

TEST_F(TrackFields, TagsIgnoreCaseAndJoinMultipleValues) {
    track.add_meta("Genre", "Rock");
    track.add_meta("GENRE", "Pop");
    track.add_meta("Mood", "");
    const outcome r = evaluate("%genre%|%GENRE%", &ctx);
    EXPECT_EQ(r.text, "Rock, Pop|Rock, Pop");
    EXPECT_TRUE(r.truth);
}

TEST(PlayerFields, PlaybackTimeOnlyWhilePlaying) {
    t_track_info track;
    track.length_seconds = 200;
    t_format_context ctx;
    ctx.track = &track;
    ctx.playback_time = 65.7;
    const char* script =
        "[%playback_time%]|[%playback_time_seconds%]|[%playback_time_remaining%]|"
        "[%playback_time_remaining_seconds%]|[%isplaying%]|[%ispaused%]";
    EXPECT_EQ(text_of(script, &ctx), "|||||");
    ctx.is_playing = true;
    EXPECT_EQ(text_of(script, &ctx), "1:05|65|2:15|135|1|");
    ctx.is_paused = true;
    EXPECT_EQ(text_of("%ispaused%", &ctx), "1");
}

TEST(PlayerFields, PlaybackTimeWithoutATrack) {
    t_format_context ctx;
    ctx.is_playing = true;
    ctx.playback_time = 3601;
    EXPECT_EQ(text_of("%playback_time%|%playback_time_remaining%", &ctx), "1:00:01|?");
}

TEST(PlayerFields, PlaylistPosition) {
    t_format_context ctx;
    EXPECT_EQ(text_of("%list_index%|%list_total%|%playlist_name%", &ctx), "?|?|?");
    ctx.list_index = 4;
    ctx.list_total = 120;
    ctx.playlist_name = "Default";
    const outcome r = evaluate("%list_index%/%list_total% %playlist_name%", &ctx);
    EXPECT_EQ(r.text, "005/120 Default");
    EXPECT_TRUE(r.truth);
}

class TrackFunctions : public TrackFields {
protected:
    TrackFunctions() {
        for (const char* a : {"Ann", "Bob", "Cy"}) track.add_meta("artist", a);
        track.add_meta("title", "Song");
        track.set_info("codec", "Opus");
    }
};

TEST_F(TrackFunctions, MetaAndInfoWithAndWithoutATrack) {
    constexpr check yes = check::yes, no = check::no;
    expect_cases({{"$meta(artist)|$meta(ARTIST,1)|[$meta(artist,3)]|[$meta(artist,-1)]",
                   "Ann, Bob, Cy|Bob||"},
                  {"%artist%", "Ann, Bob, Cy"},
                  {"$meta(composer)", "", no},
                  {"$meta_sep(artist,' / ')", "Ann / Bob / Cy"},
                  {"$meta_sep(artist,', ',' and ')", "Ann, Bob and Cy"},
                  {"$meta_sep(title,', ',' and ')", "Song"},
                  {"$meta_test(artist,title)|[$meta_test(artist,album)]", "1|"},
                  {"$meta_num(artist)|$meta_num(album)", "3|0"},
                  {"$meta_num(title)", "1", yes},
                  {"$meta_num(album)", "0", no},
                  {"$info(codec)|[$info(bitrate)]", "Opus|", yes}},
                 &ctx);
    // Without a track they write nothing and are false.
    expect_cases({{"$meta(artist)$meta_sep(a,b)$meta_test(a)$meta_num(a)$info(codec)", "", no}});
}

}  // namespace
}  // namespace cor::tf::test
