// The masks tests and scripts write: the plug-in's own file, byte for byte, from
// the library and from hostsim.exe's command line.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "child_process.h"
#include "grid_masks.h"
#include "host_options.h"
#include "plugin_files.h"
#include "plugin_loader.h"

namespace {

using hostsim::MaskCell;

// Written out by hand, so that the file is pinned apart from the writer it checks.
std::string ExpectedFile(const std::vector<int>& watchedIndices, char unwatched = '\0') {
  std::string bytes("\x03\x02\x18\x00\x00\x00\x12\x00\x00\x00", 10);
  bytes.append(432, unwatched);
  for (int i : watchedIndices) bytes[10 + i] = '\x01';
  return bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string MaskPath(const char* name) { return hosttest::PluginsFolder() + name; }

struct RemovedFiles {
  std::vector<std::string> paths;
  ~RemovedFiles() {
    for (const std::string& p : paths) DeleteFileA(p.c_str());
  }
};

TEST(GridMasks, TheWriterSavesThePluginsFileForTheCellsGiven) {
  const std::string path = MaskPath("grid_masks_some.msk");
  RemovedFiles removed{{path, path + ".tmp"}};

  // Column 0 row 0, column 5 row 1 (listed twice: still watched), the last cell.
  const std::vector<MaskCell> some = {{0, 0}, {5, 1}, {23, 17}, {5, 1}};
  ASSERT_TRUE(hostsim::WriteGridMask(path, some));
  EXPECT_EQ(ReadFile(path), ExpectedFile({0, 24 + 5, 431}));
  EXPECT_EQ(GetFileAttributesA((path + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << "the temporary file stayed";
  EXPECT_EQ(hostsim::GridMaskBytes(some), ExpectedFile({0, 24 + 5, 431}));

  // Every cell, then none: the file is replaced each time.
  ASSERT_TRUE(hostsim::WriteGridMask(path, hostsim::AllMaskCells()));
  EXPECT_EQ(ReadFile(path), ExpectedFile({}, '\x01'));
  ASSERT_TRUE(hostsim::WriteGridMask(path, {}));
  EXPECT_EQ(ReadFile(path), ExpectedFile({}));

  // The grid the writer builds is what the plug-in loads from the file.
  qlv::MaskGrid loaded;
  ASSERT_TRUE(hostsim::WriteGridMask(path, {{7, 3}}));
  ASSERT_TRUE(loaded.LoadMaskFile(path));
  ASSERT_EQ(loaded.cellCount(), 432);
  for (int i = 0; i < 432; ++i) EXPECT_EQ(loaded.watch()[i], i == 3 * 24 + 7 ? 1 : 0) << i;

  EXPECT_FALSE(hostsim::WriteGridMask(MaskPath("no_such_folder\\x.msk"), {}));
  EXPECT_FALSE(hostsim::WriteGridMask("", {}));
}

TEST(GridMasks, CellListsAreReadAsTheCommandLineGivesThem) {
  std::vector<MaskCell> cells;
  std::string error;
  ASSERT_TRUE(hostsim::ParseMaskCells("all", &cells, &error)) << error;
  ASSERT_EQ(cells.size(), 432u);
  EXPECT_EQ(cells[0], MaskCell(0, 0));
  EXPECT_EQ(cells[25], MaskCell(1, 1));  // row by row
  EXPECT_EQ(cells[431], MaskCell(23, 17));
  ASSERT_TRUE(hostsim::ParseMaskCells("none", &cells, &error)) << error;
  EXPECT_TRUE(cells.empty());
  ASSERT_TRUE(hostsim::ParseMaskCells("3:4,0:17,23:0", &cells, &error)) << error;
  EXPECT_EQ(cells, (std::vector<MaskCell>{{3, 4}, {0, 17}, {23, 0}}));

  for (const char* bad : {"", "24:0", "0:18", "-1:0", "+1:0", "1", "a:b", "1:2,", ",1:2", "1:2:3", " 1:2", "1:2 ",
                          "99999999999:0", "All"}) {
    error.clear();
    cells = {{1, 1}};
    EXPECT_FALSE(hostsim::ParseMaskCells(bad, &cells, &error)) << bad;
    EXPECT_TRUE(cells.empty()) << bad;
    EXPECT_NE(error.find("COLUMN:ROW"), std::string::npos) << bad << ": " << error;
  }

  hostsim::HostOptions o;
  ASSERT_TRUE(hostsim::ParseHostOptions({"--write-mask", "m.msk"}, &o, &error)) << error;
  EXPECT_EQ(o.mode, hostsim::HostMode::WriteMask);
  EXPECT_EQ(o.maskFile, "m.msk");
  EXPECT_EQ(o.maskCells, hostsim::AllMaskCells());  // every cell unless told otherwise
  ASSERT_TRUE(hostsim::ParseHostOptions({"--mask-cells=2:1", "--write-mask=n.msk"}, &o, &error)) << error;
  EXPECT_EQ(o.maskFile, "n.msk");
  EXPECT_EQ(o.maskCells, (std::vector<MaskCell>{{2, 1}}));
  EXPECT_FALSE(hostsim::ParseHostOptions({"--write-mask", "m.msk", "--mask-cells", "24:0"}, &o, &error));
  EXPECT_NE(error.find("24:0"), std::string::npos) << error;
  EXPECT_FALSE(hostsim::ParseHostOptions({"--write-mask", ""}, &o, &error));
}

// hostsim.exe beside this program with `args`, its messages to NUL: its exit code,
// or -1 when it could not start or did not end.
int RunHostsim(const std::string& args) {
  hosttest::ChildProcess child;
  DWORD code = 0;
  if (!child.Start(hostsim::ExecutableFolder() + "hostsim.exe", args, true) || !child.Wait(60000, &code)) return -1;
  return static_cast<int>(code);
}

// What the scripts run instead of spelling out the bytes.
TEST(GridMasks, HostsimWritesTheMaskAndEnds) {
  const std::string all = MaskPath("grid_masks_all.msk");
  const std::string two = MaskPath("grid_masks two.msk");
  RemovedFiles removed{{all, two}};
  EXPECT_EQ(RunHostsim("--write-mask \"" + all + "\""), 0);
  EXPECT_EQ(ReadFile(all), ExpectedFile({}, '\x01'));
  EXPECT_EQ(RunHostsim("--write-mask \"" + two + "\" --mask-cells 1:0,0:1"), 0);
  EXPECT_EQ(ReadFile(two), ExpectedFile({1, 24}));
  EXPECT_EQ(RunHostsim("--write-mask \"" + MaskPath("no_such_folder\\x.msk") + "\""), 1);
  EXPECT_EQ(RunHostsim("--write-mask x.msk --mask-cells 0:18"), 2);  // refused before anything is written
}

}  // namespace
