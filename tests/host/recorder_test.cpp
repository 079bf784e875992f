#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame_source.h"
#include "plugin/host_commands.h"
#include "recorder.h"

namespace {

using hostsim::FrameLayout;
using hostsim::Recorder;

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::string("recorder_test_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(dir_.c_str(), nullptr);
    dir_ += "\\";
    layout_.width = 8;
    layout_.height = 4;
    layout_.format = 0;
  }
  hostsim::RecorderConfig Config(int32_t every = 3) {
    hostsim::RecorderConfig c;
    c.outDir = dir_;
    c.layout = layout_;
    c.sequenceEvery = every;
    return c;
  }
  std::vector<uint8_t> Frame(int64_t i) {
    return std::vector<uint8_t>(layout_.FrameBytes(), static_cast<uint8_t>(i));
  }
  bool Exists(const std::string& name) { return GetFileAttributesA((dir_ + name).c_str()) != INVALID_FILE_ATTRIBUTES; }
  long FileSize(const std::string& name) {
    std::FILE* f = std::fopen((dir_ + name).c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fclose(f);
    return n;
  }
  // Plays frames 0..count-1, giving the commands listed for each frame first.
  void Play(Recorder& r, int64_t count, const std::vector<std::pair<int64_t, uint32_t>>& commands) {
    for (int64_t i = 0; i < count; ++i) {
      for (const auto& c : commands)
        if (c.first == i) r.OnCommand(c.second, i);
      std::vector<uint8_t> f = Frame(i);
      r.OnFrame(i, f.data());
    }
  }
  std::string dir_;
  FrameLayout layout_;
};

TEST_F(RecorderTest, RecordingWithPauseAndResumeWritesOneSegmentPerRun) {
  Recorder r(Config());
  Play(r, 30, {{2, qlv::kCmdRecordStart}, {8, qlv::kCmdPause}, {9, qlv::kCmdPause}, {12, qlv::kCmdResume},
               {20, qlv::kCmdRecordStop}, {25, qlv::kCmdResume}});
  r.Finish();
  std::vector<hostsim::RecordedFile> files = r.files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].file, "video_001.avi");
  EXPECT_EQ(files[0].firstFrame, 2);
  EXPECT_EQ(files[0].lastFrame, 7);
  EXPECT_EQ(files[0].frames, 6u);
  EXPECT_EQ(files[1].file, "video_002.avi");
  EXPECT_EQ(files[1].firstFrame, 12);
  EXPECT_EQ(files[1].lastFrame, 19);
  // 64-byte YUY2 frames: headers, 8 + 64 per frame, the index header and 16 per frame.
  EXPECT_EQ(FileSize("video_001.avi"), static_cast<long>(hostsim::kAviHeaderBytes + 6 * 72 + 8 + 6 * 16));
  EXPECT_EQ(FileSize("video_002.avi"), static_cast<long>(hostsim::kAviHeaderBytes + 8 * 72 + 8 + 8 * 16));
  EXPECT_EQ(r.videoState(), Recorder::RecState::Idle);
  EXPECT_EQ(r.writeErrors(), 0u);
}

TEST_F(RecorderTest, CommandsThatChangeNothingAreReportedAsSuch) {
  Recorder r(Config());
  EXPECT_FALSE(r.OnCommand(qlv::kCmdRecordStop, 0));
  EXPECT_FALSE(r.OnCommand(qlv::kCmdPause, 0));
  EXPECT_FALSE(r.OnCommand(qlv::kCmdResume, 0));
  EXPECT_FALSE(r.OnCommand(qlv::kCmdSequenceStop, 0));
  EXPECT_FALSE(r.OnCommand(qlv::kCmdVersion, 0));
  EXPECT_FALSE(r.OnCommand(12345, 0));
  EXPECT_TRUE(r.OnCommand(qlv::kCmdKind3Start, 0));
  EXPECT_FALSE(r.OnCommand(qlv::kCmdKind3Start, 0));
  EXPECT_TRUE(r.OnCommand(qlv::kCmdPause, 0));
  EXPECT_EQ(r.kind3State(), Recorder::RecState::Paused);
  EXPECT_EQ(r.videoState(), Recorder::RecState::Idle);
  EXPECT_TRUE(r.OnCommand(qlv::kCmdKind3Stop, 0));  // a paused recording can be stopped
  EXPECT_EQ(r.kind3State(), Recorder::RecState::Idle);
  r.Finish();
  EXPECT_TRUE(r.files().empty());  // nothing ran while frames came
}

TEST_F(RecorderTest, VideoAndKind3RunSideBySideAndPauseTogether) {
  Recorder r(Config());
  Play(r, 10, {{1, qlv::kCmdRecordStart}, {2, qlv::kCmdKind3Start}, {5, qlv::kCmdPause}, {7, qlv::kCmdResume},
               {8, qlv::kCmdKind3Stop}});
  r.Finish();
  std::vector<hostsim::RecordedFile> f = r.files();
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0].file, "video_001.avi");
  EXPECT_EQ(f[0].frames, 4u);  // 1..4
  EXPECT_EQ(f[1].file, "kind3_001.avi");
  EXPECT_EQ(f[1].frames, 3u);  // 2..4
  EXPECT_EQ(f[2].file, "video_002.avi");
  EXPECT_EQ(f[2].frames, 3u);  // 7..9, closed by Finish
  EXPECT_EQ(f[3].file, "kind3_002.avi");
  EXPECT_EQ(f[3].frames, 1u);  // 7
}

TEST_F(RecorderTest, SnapshotsAndSequences) {
  Recorder r(Config(4));
  Play(r, 20, {{3, qlv::kCmdSnapshot}, {3, qlv::kCmdSnapshot}, {5, qlv::kCmdSequenceStart},
               {6, qlv::kCmdSequenceStart}, {14, qlv::kCmdSequenceStop}, {16, qlv::kCmdSequenceStart}});
  r.OnCommand(qlv::kCmdSnapshot, 20);  // after the last frame: taken from it at the end
  r.Finish();
  std::vector<std::string> names;
  for (const hostsim::RecordedFile& f : r.files()) names.push_back(f.file + "@" + std::to_string(f.firstFrame));
  const std::vector<std::string> expected = {
      "snapshot_001.bmp@3",         "snapshot_002.bmp@3",         "sequence_001_001.bmp@5",
      "sequence_001_002.bmp@9",     "sequence_001_003.bmp@13",    "sequence_002_001.bmp@16",
      "snapshot_003.bmp@19"};
  EXPECT_EQ(names, expected);
  // 8 x 4 pixels: 24-byte rows, 96 bytes of picture.
  EXPECT_EQ(FileSize("snapshot_001.bmp"), 54 + 96);
  EXPECT_TRUE(Exists("sequence_002_001.bmp"));
  ASSERT_TRUE(r.WriteIndex(dir_ + "recordings.csv"));
  EXPECT_GT(FileSize("recordings.csv"), 40);
}

TEST_F(RecorderTest, UnwritableFolderCountsErrorsAndGoesOn) {
  hostsim::RecorderConfig c = Config();
  c.outDir = dir_ + "missing\\";
  Recorder r(c);
  Play(r, 4, {{0, qlv::kCmdSnapshot}, {1, qlv::kCmdRecordStart}});
  r.Finish();
  EXPECT_TRUE(r.files().empty());
  EXPECT_EQ(r.writeErrors(), 4u);  // the snapshot and one failed segment open per frame
}

class FrameSourceTest : public ::testing::Test {
 protected:
  std::FILE* Temp(const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
  }
};

TEST_F(FrameSourceTest, RgbRowsAreFlippedToBottomUpAndBack) {
  FrameLayout l;
  l.width = 2;
  l.height = 3;
  l.format = 1;
  // Two frames of 3 rows x 6 bytes, top row first as ffmpeg writes bgr24.
  std::vector<uint8_t> in(36);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(i);
  std::FILE* f = Temp(in);
  hostsim::FrameSource s(f, l);
  std::vector<uint8_t> frame(18);
  ASSERT_TRUE(s.Next(frame.data()));
  const std::vector<uint8_t> bottomUp = {12, 13, 14, 15, 16, 17, 6, 7, 8, 9, 10, 11, 0, 1, 2, 3, 4, 5};
  EXPECT_EQ(frame, bottomUp);
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(s.WriteInputLayout(out, frame.data()));
  std::rewind(out);
  std::vector<uint8_t> back(18);
  ASSERT_EQ(std::fread(back.data(), 1, 18, out), 18u);
  EXPECT_EQ(back, std::vector<uint8_t>(in.begin(), in.begin() + 18));
  ASSERT_TRUE(s.Next(frame.data()));
  EXPECT_EQ(frame[0], 30);  // bottom row of the second frame
  EXPECT_FALSE(s.Next(frame.data()));
  EXPECT_FALSE(s.partialFrameDropped());
  EXPECT_EQ(s.framesRead(), 2u);
  std::fclose(out);
  std::fclose(f);
}

TEST_F(FrameSourceTest, Yuy2PassesUnchangedAndAPartialFrameIsDropped) {
  FrameLayout l;
  l.width = 2;
  l.height = 2;
  l.format = 0;
  std::vector<uint8_t> in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};  // one frame and two bytes
  std::FILE* f = Temp(in);
  hostsim::FrameSource s(f, l);
  std::vector<uint8_t> frame(8);
  ASSERT_TRUE(s.Next(frame.data()));
  EXPECT_EQ(frame, std::vector<uint8_t>(in.begin(), in.begin() + 8));
  EXPECT_FALSE(s.Next(frame.data()));
  EXPECT_TRUE(s.partialFrameDropped());
  std::fclose(f);
}

TEST_F(FrameSourceTest, BottomUpRgbInputIsTakenAsItIs) {
  FrameLayout l;
  l.width = 1;
  l.height = 2;
  l.format = 1;
  std::FILE* f = Temp({1, 2, 3, 4, 5, 6});
  hostsim::FrameSource s(f, l, true);
  std::vector<uint8_t> frame(6);
  ASSERT_TRUE(s.Next(frame.data()));
  EXPECT_EQ(frame, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  std::fclose(f);
}

}  // namespace
