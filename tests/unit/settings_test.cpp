#include <gtest/gtest.h>

#include <cstring>

#include "settings/settings.h"

namespace qlv {
namespace {

struct Expected {
  const char* key;
  uint32_t code;
  int64_t def;
  const char* text;
};

// Key, type code and default of every entry, in table order.
const Expected kExpected[kSettingsCount] = {
    {"ChannelIdx", 10, 0, nullptr},       {"MaskFileName", 12, 0, ""},
    {"Sensitive", 6, 10, nullptr},        {"FrameCounter", 6, 1, nullptr},
    {"Duration", 6, 10, nullptr},         {"ControlY", 4, 1, nullptr},
    {"ControlR", 4, 0, nullptr},          {"ControlG", 4, 0, nullptr},
    {"ControlB", 4, 0, nullptr},          {"RecordEnable", 4, 0, nullptr},
    {"RecordType", 6, 0, nullptr},        {"RecordPause", 6, 0, nullptr},
    {"SoundEnable", 4, 0, nullptr},       {"SoundRepeatEnable", 4, 0, nullptr},
    {"SoundFileName", 12, 0, ""},         {"ProcessEnable", 4, 0, nullptr},
    {"ProcessRepeatEnable", 4, 0, nullptr}, {"ProcessFileName", 12, 0, ""},
    {"FontName", 12, 0, "Arial"},         {"FontSize", 8, -34, nullptr},
    {"FontWeight", 8, 700, nullptr},      {"FontItalic", 0, 0, nullptr},
    {"FontUnderline", 0, 1, nullptr},     {"FontStrikeOut", 0, 0, nullptr},
    {"FontCharSet", 0, 1, nullptr},       {"FontQuality", 0, 4, nullptr},
    {"TimeFormat", 12, 0, "%x %H:%M:%S"}, {"TextPos", 6, 3, nullptr},
    {"TextColor", 5, 12632256, nullptr},  {"TextOpacity", 6, 50, nullptr},
    {"GridColor", 5, 65535, nullptr},     {"GridOpacity", 6, 30, nullptr},
    {"InactiveColor", 5, 8421504, nullptr}, {"InactiveOpacity", 6, 0, nullptr},
    {"ActiveColor", 5, 65280, nullptr},   {"ActiveOpacity", 6, 30, nullptr},
    {"DangerColor", 5, 16711680, nullptr}, {"DangerOpacity", 6, 30, nullptr},
    {"AlarmColor", 5, 255, nullptr},      {"AlarmOpacity", 6, 30, nullptr},
    {"ShowGrid", 4, 1, nullptr},          {"ShowMask", 4, 1, nullptr},
    {"ShowTime", 4, 1, nullptr},          {"RecShowGrid", 4, 0, nullptr},
    {"RecShowMask", 4, 0, nullptr},       {"RecShowTime", 4, 1, nullptr},
    {"ActionTab", 6, 0, nullptr},         {"VisualTab", 6, 0, nullptr},
    {"Action", 5, 0, nullptr},            {"ActionStopTime", 5, 0, nullptr},
    {"ExtThreadHandle", 5, 0, nullptr},   {"ExtProcessHandle", 5, 0, nullptr},
};

TEST(SettingsTable, EntriesInOrderWithCodesAndDefaults) {
  SettingsRecord r;
  for (size_t i = 0; i < kSettingsCount; ++i) {
    const SettingsEntry& e = kSettingsTable[i];
    SCOPED_TRACE(kExpected[i].key);
    EXPECT_STREQ(e.key, kExpected[i].key);
    EXPECT_EQ(e.code, kExpected[i].code);
    if (e.code == kText) {
      EXPECT_EQ(*static_cast<std::string*>(e.field(r)), kExpected[i].text);
    } else {
      EXPECT_EQ(static_cast<int64_t>(LoadNumber(e, r)), kExpected[i].def);
    }
  }
}

TEST(SettingsTable, DefaultsDescribeTheDefaultCaption) {
  SettingsRecord r;
  EXPECT_EQ(r.FontName, "Arial");
  EXPECT_EQ(r.FontSize, -34);
  EXPECT_EQ(r.FontWeight, 700);
  EXPECT_EQ(r.FontUnderline, 1);
  EXPECT_EQ(r.TextPos, 3);
  EXPECT_EQ(r.TimeFormat, "%x %H:%M:%S");
}

TEST(SettingsTable, HandlesLiveInTheProcessInformationRecord) {
  SettingsRecord r;
  StoreNumber(kSettingsTable[50], r, 0xAAAAAAAAu);
  StoreNumber(kSettingsTable[51], r, 0xBBBBBBBBu);
  EXPECT_EQ(r.ExtTask.hThread, 0xAAAAAAAAu);
  EXPECT_EQ(r.ExtTask.hProcess, 0xBBBBBBBBu);
}

TEST(SettingsRecord, CopyCopiesEveryFieldTextByValue) {
  SettingsRecord a;
  a.MaskFileName = "C:\\m.msk";
  a.ChannelIdx = static_cast<int64_t>(0x8000000100000002ull);
  a.ExtTask = {11, 12, 13, 14};
  a.FontItalic = 1;
  SettingsRecord b = a;
  a.MaskFileName[0] = 'D';
  EXPECT_EQ(b.MaskFileName, "C:\\m.msk");
  EXPECT_EQ(b.ChannelId0(), 2u);
  EXPECT_EQ(b.ChannelId1(), 0x80000001u);
  EXPECT_EQ(b.ExtTask.processId, 13u);
  EXPECT_EQ(b.ExtTask.threadId, 14u);
  EXPECT_EQ(b.FontItalic, 1);
}

TEST(SettingsRecord, StoreKeepsTheFieldWidth) {
  SettingsRecord r;
  StoreNumber(kSettingsTable[21], r, 0x1FF);  // FontItalic, 8 bits
  EXPECT_EQ(r.FontItalic, 0xFF);
  StoreNumber(kSettingsTable[2], r, 0x1FFFFFFFFull);  // Sensitive, 32 bits
  EXPECT_EQ(r.Sensitive, -1);
}

TEST(SettingsRecord, CodesAboveTwelveAreSkippedAndTextWithoutDefaultIsEmpty) {
  SettingsRecord r;
  r.Sensitive = 7;
  const SettingsEntry unknown = {13, "Sensitive", kSettingsTable[2].field, 99, 0, nullptr};
  ApplyDefault(unknown, r);
  StoreNumber(unknown, r, 42);
  EXPECT_EQ(r.Sensitive, 7);
  EXPECT_EQ(LoadNumber(unknown, r), 0u);
  const SettingsEntry text = {kText, "FontName", kSettingsTable[18].field, 0, 0, nullptr};
  ApplyDefault(text, r);
  EXPECT_EQ(r.FontName, "");
}

TEST(SettingsRecord, UnsignedWordsKeepValuesAboveTheSignedRange) {
  SettingsRecord r;
  for (size_t i : {48u, 49u, 50u, 51u}) {  // Action, ActionStopTime, both handles
    StoreNumber(kSettingsTable[i], r, 0xFFFFFF00u + i);
    EXPECT_EQ(LoadNumber(kSettingsTable[i], r), 0xFFFFFF00u + i) << kSettingsTable[i].key;
  }
  StoreNumber(kSettingsTable[0], r, 0x8000000100000002ull);  // ChannelIdx, signed 64
  EXPECT_EQ(static_cast<int64_t>(LoadNumber(kSettingsTable[0], r)), static_cast<int64_t>(0x8000000100000002ull));
  EXPECT_LT(r.ChannelIdx, 0);
}

}  // namespace
}  // namespace qlv
