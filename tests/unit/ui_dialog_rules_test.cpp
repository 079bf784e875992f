#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/dialog_init_data.h"
#include "ui/dialog_position.h"
#include "ui/refresh_kinds.h"

namespace qlv {
namespace {

// ---- position ---------------------------------------------------------------

// A 400 x 500 dialog created at (0, 0); the host window 1000 x 700 at (100, 50).
constexpr ScreenRect kDialog{0, 0, 400, 500};
constexpr ScreenRect kHost{100, 50, 1100, 750};

TEST(DialogPosition, CentredWhenUnsetOrOffScreenOtherwiseUsedAsStored) {
  struct Case {
    int32_t x, y;
    DialogPlacement expected;
  };
  const Case cases[] = {
      {-100, -100, {400, 150, true}},   // first opening
      {1920, 10, {400, 150, true}},     // right of the screen
      {10, 1080, {400, 150, true}},     // below it
      {1919, 1079, {1919, 1079, false}},
      {-50, 10, {-50, 10, false}},      // negative values are kept
      {-100, 10, {-100, 10, false}},    // only both -100 means unset
      {-100, -99, {-100, -99, false}},
  };
  for (const Case& c : cases) {
    const DialogPlacement p = PlaceDialog(c.x, c.y, 1920, 1080, kDialog, kHost);
    EXPECT_EQ(p.x, c.expected.x) << c.x << "," << c.y;
    EXPECT_EQ(p.y, c.expected.y) << c.x << "," << c.y;
    EXPECT_EQ(p.centred, c.expected.centred) << c.x << "," << c.y;
  }
}

TEST(DialogPosition, CentredCoordinatesBelowZeroBecomeZeroAndHalvesRoundTowardZero) {
  // A host window smaller than the dialog, near the top-left corner.
  const DialogPlacement p = PlaceDialog(-100, -100, 1920, 1080, ScreenRect{20, 30, 420, 530}, ScreenRect{0, 0, 101, 61});
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  // (-3 + 0) / 2 is -1, not -2: the dialog's own rectangle keeps its place.
  const DialogPlacement q = PlaceDialog(-100, -100, 1920, 1080, ScreenRect{-3, 0, 0, 4}, ScreenRect{100, 100, 111, 111});
  EXPECT_EQ(q.x, -3 + 105 - (-1));
  EXPECT_EQ(q.y, 0 + 105 - 2);
  // Extreme rectangles do not overflow.
  const DialogPlacement r = PlaceDialog(-100, -100, 1920, 1080, ScreenRect{0, 0, 2, 1},
                                        ScreenRect{INT32_MAX - 1, 0, INT32_MAX, 1});
  EXPECT_EQ(r.x, INT32_MAX - 2);
  EXPECT_TRUE(r.centred);
}

// ---- refresh kinds ------------------------------------------------------------

TEST(RefreshKinds, WhatTheSettingsDialogReloadsForEachKind) {
  using R = DialogReload;
  EXPECT_EQ(SettingsDialogReloads(RefreshAll),
            (std::vector<R>{R::Numbers, R::ColorChecks, R::ChannelName, R::MaskPath, R::ChannelButton, R::ActionTab,
                            R::VisualTab, R::RecordImage, R::SoundImage, R::TaskImage}));
  EXPECT_EQ(SettingsDialogReloads(1), std::vector<R>{R::ChannelName});
  EXPECT_EQ(SettingsDialogReloads(2), std::vector<R>{R::MaskPath});
  EXPECT_EQ(SettingsDialogReloads(3), std::vector<R>{R::ActionTab});
  EXPECT_EQ(SettingsDialogReloads(4), std::vector<R>{R::VisualTab});
  EXPECT_EQ(SettingsDialogReloads(5), std::vector<R>{R::RecordImage});
  EXPECT_EQ(SettingsDialogReloads(6), std::vector<R>{R::SoundImage});
  EXPECT_EQ(SettingsDialogReloads(7), std::vector<R>{R::TaskImage});
  EXPECT_EQ(SettingsDialogReloads(12), std::vector<R>{R::ChannelButton});
  for (uint32_t pageKind : {8u, 9u, 10u, 11u, 13u, 0xFFFFFFFFu}) EXPECT_TRUE(SettingsDialogReloads(pageKind).empty());
}

TEST(RefreshKinds, TabPagesAndImages) {
  EXPECT_EQ(TabPageToShow(0, kActionPageCount), 0);
  EXPECT_EQ(TabPageToShow(2, kActionPageCount), 2);
  EXPECT_EQ(TabPageToShow(3, kActionPageCount), std::nullopt);
  EXPECT_EQ(TabPageToShow(4, kVisualPageCount), 4);
  EXPECT_EQ(TabPageToShow(-1, kVisualPageCount), std::nullopt);
  EXPECT_EQ(TabImageFor(0), kTabImageOff);
  EXPECT_EQ(TabImageFor(1), kTabImageOn);
  EXPECT_EQ(TabImageFor(7), kTabImageOn);
}

// ---- combo-box lists ------------------------------------------------------------

void PutWord(std::string& s, uint16_t w) {
  s.push_back(static_cast<char>(w & 0xFF));
  s.push_back(static_cast<char>(w >> 8));
}
void PutItem(std::string& s, uint16_t id, uint16_t msg, const std::string& bytes) {
  PutWord(s, id);
  PutWord(s, msg);
  const uint32_t n = static_cast<uint32_t>(bytes.size());
  PutWord(s, static_cast<uint16_t>(n & 0xFFFF));
  PutWord(s, static_cast<uint16_t>(n >> 16));
  s += bytes;
}

TEST(DialogInitData, ReadsItemsInOrderUpToTheEndMarker) {
  std::string d;
  PutItem(d, 5102, kInitAddComboBoxString, std::string("Snapshot\0", 9));
  PutItem(d, 5102, kInitAddComboBoxString, std::string("\xd0\xe0\xe7\0", 4));  // cp1251 bytes pass unchanged
  PutItem(d, 5092, kInitAddComboBoxString, std::string("Top left\0pad", 12));
  PutItem(d, 5092, kInitAddListBoxString, std::string("", 0));
  PutWord(d, 0);
  PutItem(d, 7, kInitAddComboBoxString, std::string("after the end\0", 14));
  const DialogInitData r = ParseDialogInitData(d.data(), d.size());
  ASSERT_EQ(r.items.size(), 4u);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.items[0].controlId, 5102);
  EXPECT_EQ(r.items[0].message, kInitAddComboBoxString);
  EXPECT_EQ(r.items[0].text, "Snapshot");
  EXPECT_EQ(r.items[1].text, "\xd0\xe0\xe7");
  EXPECT_EQ(r.items[2].controlId, 5092);
  EXPECT_EQ(r.items[2].text, "Top left");
  EXPECT_EQ(r.items[3].message, kInitAddListBoxString);
  EXPECT_EQ(r.items[3].text, "");
}

TEST(DialogInitData, DamagedDataGivesTheWholeItemsBeforeTheDamage) {
  std::string d;
  PutItem(d, 1, kInitAddComboBoxString, std::string("one\0", 4));
  PutItem(d, 2, kInitAddComboBoxString, std::string("two\0", 4));
  // Every cut of the data: never a read past it, never a partial item.
  for (size_t n = 0; n <= d.size(); ++n) {
    const std::string cut = d.substr(0, n);
    const DialogInitData r = ParseDialogInitData(cut.data(), cut.size());
    const size_t whole = n >= d.size() ? 2u : n >= 12 ? 1u : 0u;
    EXPECT_EQ(r.items.size(), whole) << n;
    EXPECT_FALSE(r.complete);
  }
  // A length beyond the data, and a text without its NUL.
  std::string huge;
  PutItem(huge, 1, kInitAddComboBoxString, "");
  huge[4] = '\xff';
  huge[7] = '\x7f';
  huge += "abc";
  EXPECT_TRUE(ParseDialogInitData(huge.data(), huge.size()).items.empty());
  std::string unterminated;
  PutItem(unterminated, 3, kInitAddComboBoxString, "abc");
  PutWord(unterminated, 0);
  const DialogInitData u = ParseDialogInitData(unterminated.data(), unterminated.size());
  ASSERT_EQ(u.items.size(), 1u);
  EXPECT_EQ(u.items[0].text, "abc");
  EXPECT_TRUE(u.complete);
  EXPECT_TRUE(ParseDialogInitData(nullptr, 100).items.empty());
  std::string odd("\x00", 1);
  EXPECT_FALSE(ParseDialogInitData(odd.data(), odd.size()).complete);
}

}  // namespace
}  // namespace qlv
