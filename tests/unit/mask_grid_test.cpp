#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "detect/detector_state.h"
#include "detect/mask_grid.h"

namespace qlv {
namespace {

class MaskFile : public ::testing::Test {
 protected:
  // Relative, so that the Windows build under Wine finds it too.
  std::string Path(const std::string& name) { return "pixtest_" + name + ".msk"; }
  void TearDown() override {
    for (const std::string& p : made_) {
      chmod(p.c_str(), 0666);
      std::remove(p.c_str());
    }
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string p = Path(name);
    chmod(p.c_str(), 0666);
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    made_.push_back(p);
    return p;
  }
  std::vector<uint8_t> Read(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  static std::vector<uint8_t> Header(uint8_t t0, uint8_t t1, int32_t columns, int32_t rows) {
    std::vector<uint8_t> h = {t0, t1};
    for (int32_t v : {columns, rows})
      for (int i = 0; i < 4; ++i) h.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    return h;
  }
  std::vector<std::string> made_;
};

std::vector<uint8_t> Flags(const MaskGrid& g) { return std::vector<uint8_t>(g.watch(), g.watch() + g.cellCount()); }

// The detector's memories of the grid, caught up with its restarts as the next frame would.
struct Follower {
  const MaskGrid& g;
  DetectorState st;
  DetectorState& operator()() {
    EXPECT_TRUE(st.Follow(g));
    return st;
  }
};

bool AllAtRest(Follower& f) {
  DetectorState& st = f();
  for (int32_t i = 0; i < f.g.cellCount(); ++i)
    if (st.history()[i] != 0 || st.reference()[i] != NoReference) return false;
  return true;
}

TEST(MaskGridCells, StartsEmptyAndBuildsTheDefault) {
  MaskGrid g;
  Follower st{g, {}};
  EXPECT_EQ(g.cellCount(), 0);
  EXPECT_EQ(g.watch(), nullptr);
  g.WatchAll();
  g.InvertMask();
  g.ToggleCell(0, 0);
  g.RestartCells();  // every pass over no cells does nothing
  g.SetDefaultGrid();
  EXPECT_EQ(g.columns(), 24);
  EXPECT_EQ(g.rows(), 18);
  EXPECT_EQ(g.cellCount(), 432);
  EXPECT_EQ(Flags(g), std::vector<uint8_t>(432, 0));
  EXPECT_TRUE(AllAtRest(st));
  g.FreeCells();
  EXPECT_EQ(g.watch(), nullptr);
  EXPECT_EQ(g.columns(), 24);
}

TEST(MaskGridCells, ImpossibleSizesLeaveNoCells) {
  MaskGrid g;
  EXPECT_FALSE(g.Resize(0, 5));
  EXPECT_EQ(g.cellCount(), 0);
  EXPECT_EQ(g.columns(), 0);
  EXPECT_EQ(g.watch(), nullptr);
  EXPECT_FALSE(g.Resize(MaskGrid::kMaxDimension + 1, 1));
  EXPECT_EQ(g.rows(), 0);
  EXPECT_TRUE(g.Resize(MaskGrid::kMaxDimension, MaskGrid::kMaxDimension));
  EXPECT_EQ(g.cellCount(), 65536);
}

TEST(MaskGridCells, EditingRestartsCellsThatBecomeWatched) {
  MaskGrid g;
  g.SetDefaultGrid();
  Follower st{g, {}};
  for (int32_t i = 0; i < g.cellCount(); ++i) {
    st().history()[i] = 5;
    st().reference()[i] = 0x01020304;
  }
  g.ClearAll();  // words untouched
  EXPECT_EQ(st().history()[7], 5u);
  EXPECT_EQ(st().reference()[7], 0x01020304u);
  g.ToggleCell(3, 2);
  EXPECT_EQ(g.watch()[2 * 24 + 3], 1);
  EXPECT_EQ(st().history()[2 * 24 + 3], 0u);
  EXPECT_EQ(st().reference()[2 * 24 + 3], NoReference);
  st().history()[2 * 24 + 3] = 9;
  g.ToggleCell(3, 2);  // becomes unwatched: keeps its words
  EXPECT_EQ(g.watch()[2 * 24 + 3], 0);
  EXPECT_EQ(st().history()[2 * 24 + 3], 9u);
  for (auto cr : {std::pair<int, int>{24, 0}, {0, 18}, {-1, 0}, {0, -1}}) {
    std::vector<uint8_t> before = Flags(g);
    g.ToggleCell(cr.first, cr.second);
    EXPECT_EQ(Flags(g), before);
  }
  g.WatchAll();  // restarts every cell, also those already watched
  EXPECT_EQ(Flags(g), std::vector<uint8_t>(432, 1));
  EXPECT_TRUE(AllAtRest(st));
}

TEST(MaskGridCells, InvertTwiceRestoresFlagsAndRestartsWatched) {
  MaskGrid g;
  g.SetDefaultGrid();
  Follower st{g, {}};
  for (int32_t i = 0; i < g.cellCount(); i += 3) g.watch()[i] = 1;
  for (int32_t i = 0; i < g.cellCount(); ++i) st().history()[i] = 1;
  std::vector<uint8_t> before = Flags(g);
  g.InvertMask();
  EXPECT_EQ(st().history()[0], 1u);  // became unwatched: kept
  EXPECT_EQ(st().history()[1], 0u);  // became watched: restarted
  g.InvertMask();
  EXPECT_EQ(Flags(g), before);
  for (int32_t i = 0; i < g.cellCount(); ++i) EXPECT_EQ(st().history()[i], 0u) << i;
}

TEST_F(MaskFile, DefaultGridWithThreeCellsIs442Bytes) {
  MaskGrid g;
  g.SetDefaultGrid();
  g.ToggleCell(0, 0);
  g.ToggleCell(5, 1);
  g.ToggleCell(23, 17);
  std::string p = Path("save");
  made_.push_back(p);
  EXPECT_TRUE(g.SaveMaskFile(p));
  EXPECT_FALSE(std::filesystem::exists(p + ".tmp"));  // the temporary file was moved, not left
  std::vector<uint8_t> expect = {0x03, 0x02, 0x18, 0, 0, 0, 0x12, 0, 0, 0};
  expect.resize(442, 0);
  expect[10 + 0] = 1;
  expect[10 + 24 + 5] = 1;
  expect[10 + 431] = 1;
  EXPECT_EQ(Read(p), expect);
  MaskGrid h;
  EXPECT_TRUE(h.LoadMaskFile(p));
  EXPECT_EQ(h.columns(), 24);
  EXPECT_EQ(h.rows(), 18);
  EXPECT_EQ(Flags(h), Flags(g));
}

// Bytes in memory follow the file's rules, and MaskBytes is what a save writes.
TEST_F(MaskFile, BytesInMemoryLoadAndSaveLikeTheFile) {
  MaskGrid g;
  g.SetDefaultGrid();
  g.ToggleCell(3, 2);
  std::string p = Path("bytes");
  made_.push_back(p);
  g.SaveMaskFile(p);
  const std::string bytes = g.MaskBytes();
  const std::vector<uint8_t> file = Read(p);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), file);

  std::vector<uint8_t> shortFile = Header(0, 0, 5, 2);  // any tag; three of ten flags
  shortFile.insert(shortFile.end(), {1, 7, 1});
  MaskGrid h;
  h.LoadMaskBytes(shortFile.data(), shortFile.size());
  EXPECT_EQ(h.columns(), 5);
  EXPECT_EQ(Flags(h), (std::vector<uint8_t>{1, 7, 1, 0, 0, 0, 0, 0, 0, 0}));
  Follower hs{h, {}};
  EXPECT_TRUE(AllAtRest(hs));
  for (const std::vector<uint8_t>& bad : {Header(3, 2, 0, 4), Header(3, 2, 257, 1), std::vector<uint8_t>{3, 2, 5}}) {
    h.LoadMaskBytes(bad.data(), bad.size());
    EXPECT_EQ(h.columns(), 5) << "a bad header leaves the grid as it was";
  }
  h.LoadMaskBytes(nullptr, 99);
  EXPECT_EQ(h.cellCount(), 10);
}

TEST_F(MaskFile, TagIsIgnoredAndFlagsAreKeptAsRead) {
  std::vector<uint8_t> bytes = Header(0xFF, 0x7E, 3, 2);
  bytes.insert(bytes.end(), {2, 0, 1, 2, 0, 0});
  std::string p = Write("tag", bytes);
  MaskGrid g;
  g.SetDefaultGrid();
  Follower st{g, {}};
  st().history()[0] = 3;
  EXPECT_TRUE(g.LoadMaskFile(p));
  EXPECT_EQ(g.columns(), 3);
  EXPECT_EQ(g.rows(), 2);
  EXPECT_EQ(Flags(g), (std::vector<uint8_t>{2, 0, 1, 2, 0, 0}));
  EXPECT_TRUE(AllAtRest(st));  // loading restarts every cell
  g.ToggleCell(0, 0);         // 2 is watched: toggling stores 0
  EXPECT_EQ(g.watch()[0], 0);
  g.SaveMaskFile(p);
  std::vector<uint8_t> expect = Header(0x03, 0x02, 3, 2);
  expect.insert(expect.end(), {0, 0, 1, 2, 0, 0});
  EXPECT_EQ(Read(p), expect);
}

TEST_F(MaskFile, ShortFlagsLeaveTheRestUnwatched) {
  std::vector<uint8_t> bytes = Header(3, 2, 4, 4);
  bytes.insert(bytes.end(), {1, 1, 1});
  MaskGrid g;
  EXPECT_TRUE(g.LoadMaskFile(Write("short", bytes)));
  std::vector<uint8_t> expect(16, 0);
  expect[0] = expect[1] = expect[2] = 1;
  EXPECT_EQ(Flags(g), expect);
}

TEST_F(MaskFile, MissingFileReportsFalse) {
  MaskGrid g;
  EXPECT_FALSE(g.LoadMaskFile(""));
  EXPECT_FALSE(g.LoadMaskFile(Path("does_not_exist")));
  EXPECT_EQ(g.cellCount(), 0);
}

TEST_F(MaskFile, BadHeadersLeaveTheGridUnchanged) {
  const std::vector<std::vector<uint8_t>> bad = {
      {},
      {3, 2, 24, 0, 0, 0, 18, 0, 0},  // 9 bytes: shorter than the header
      Header(3, 2, 0, 18),
      Header(3, 2, 24, 0),
      Header(3, 2, -1, 18),
      Header(3, 2, 24, INT32_MIN),
      Header(3, 2, 0x10000, 0x10000),  // product overflows 32 bits
      Header(3, 2, INT32_MAX, INT32_MAX),
      Header(3, 2, MaskGrid::kMaxDimension + 1, 1),
      Header(3, 2, 1, MaskGrid::kMaxDimension + 1),
  };
  int n = 0;
  for (const auto& bytes : bad) {
    MaskGrid g;
    g.SetDefaultGrid();
    Follower st{g, {}};
    g.ToggleCell(1, 1);
    st().history()[25] = 7;
    EXPECT_TRUE(g.LoadMaskFile(Write("bad" + std::to_string(n++), bytes)));
    EXPECT_EQ(g.columns(), 24);
    EXPECT_EQ(g.rows(), 18);
    EXPECT_EQ(g.watch()[25], 1);
    EXPECT_EQ(st().history()[25], 7u);  // not even restarted
  }
  // The largest accepted size loads.
  std::vector<uint8_t> big = Header(3, 2, MaskGrid::kMaxDimension, 1);
  big.resize(10 + MaskGrid::kMaxDimension, 1);
  MaskGrid g;
  EXPECT_TRUE(g.LoadMaskFile(Write("big", big)));
  EXPECT_EQ(g.cellCount(), MaskGrid::kMaxDimension);
}

TEST_F(MaskFile, ReadOnlyFileLoads) {
  std::vector<uint8_t> bytes = Header(3, 2, 2, 1);
  bytes.insert(bytes.end(), {1, 0});
  std::string p = Write("readonly", bytes);
  ASSERT_EQ(chmod(p.c_str(), 0444), 0);
  MaskGrid g;
  EXPECT_TRUE(g.LoadMaskFile(p));
  EXPECT_EQ(g.cellCount(), 2);
  EXPECT_EQ(Flags(g), (std::vector<uint8_t>{1, 0}));
}

TEST_F(MaskFile, SaveToAnUnopenablePathSavesNothing) {
  MaskGrid g;
  g.SetDefaultGrid();
  EXPECT_FALSE(g.SaveMaskFile("no_such_folder_pixtest/x.msk"));
  EXPECT_FALSE(g.SaveMaskFile(""));
  struct stat st;
  EXPECT_NE(stat("no_such_folder_pixtest/x.msk", &st), 0);
}

// A save that cannot complete leaves the previous file whole: here the
// temporary name is taken by a folder, so nothing new can be written.
TEST_F(MaskFile, FailedSaveKeepsThePreviousFile) {
  std::vector<uint8_t> old = Header(0x03, 0x02, 2, 1);
  old.insert(old.end(), {1, 0});
  const std::string p = Write("keep", old);
  const std::string blocker = p + ".tmp";
  ASSERT_TRUE(std::filesystem::create_directory(blocker));
  MaskGrid g;
  g.SetDefaultGrid();
  g.WatchAll();
  EXPECT_FALSE(g.SaveMaskFile(p));
  EXPECT_EQ(Read(p), old);
  std::filesystem::remove(blocker);
  EXPECT_TRUE(g.SaveMaskFile(p));
  EXPECT_EQ(Read(p).size(), 442u);
}

}  // namespace
}  // namespace qlv
