// The language selector on the real resources of the built DLL, loaded from
// Plugins\ beside the test program.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "lang/language_selector_win32.h"
#include "res/resource.h"

namespace qlv {
namespace {

struct Texts {
  UINT id;
  const wchar_t* english;
  const wchar_t* russian;
};

// The string table, 1-35 and the tuning window's 48-78, in both languages.
const Texts kTexts[] = {
    {1, L"Motion detection", L"Детектор движения"},
    {2, L"Motion detector with DVR functions.", L"Детектор движения с функцией видеорекордера."},
    {3, L"Record", L"Запись"},
    {4, L"Sound", L"Звук"},
    {5, L"Task", L"Процесс"},
    {6, L"Data/Time", L"Дата/Время"},
    {7, L"Grid", L"Разметка"},
    {8, L"Active areas", L"Активные зоны"},
    {9, L"Preview/Snapshot", L"Просмотр/Снимок"},
    {10, L"Record", L"Запись"},
    {11, L"Channel not selected", L"Канал не выбран"},
    {12, L"Current channel", L"Текущий канал"},
    {13, L"Controlled channel", L"Контролируемый канал"},
    {14, L"Mask file", L"Файл маски"},
    {15, L"Select the entire mask", L"Выделить всю маску"},
    {16, L"Clean mask", L"Очистить маску"},
    {17, L"Invert mask", L"Инвертировать маску"},
    {18, L"Load mask", L"Загрузить маску"},
    {19, L"Save mask", L"Сохранить маску"},
    {20, L"Save mask as ...", L"Сохранить маску как ..."},
    {21, L"Allow external task execution", L"Разрешить запуск внешнего процесса"},
    {22, L"Select execution file", L"Выбрать исполняемый файл"},
    {23, L"Execute an external task", L"Запустить внешний процесс"},
    {24, L"Allow \u00E0 task restarting", L"Разрешить перезапуск процесса"},
    {25, L"Enable recording", L"Разрешить запись"},
    {26, L"Allow sound notifications", L"Разрешить звуковое оповещение"},
    {27, L"Select audio file", L"Выбрать аудио файл"},
    {28, L"Stop sound", L"Остановить воспроизведение"},
    {29, L"Play the audio file", L"Воспроизвести файл"},
    {30, L"Continuous playback", L"Воспроизведение в цикле"},
    {31, L"Sensitivity value should be a number from %d to %d", L"Значение чувствительности должно быть числом от %d до %d"},
    {32, L"Value of the frame counter should be a number from %d to %d", L"Значение счётчика кадров  должно быть числом от %d до %d"},
    {33, L"Duration time value should be a number from %d to %d", L"Значение времени записи должно быть числом от %d до %d"},
    {34, L"Opacity value should be a number from 0 to 100", L"Значение прозрачности должно быть числом от 0 до 100"},
    {35, L"The mask could not be saved to %s", L"Не удалось сохранить маску в файл %s"},
    {48, L"Detector tuning", L"Настройка детектора"},
    {49, L"The share of cells that makes a light change should be a number from %d to %d",
     L"Доля ячеек для смены освещения должна быть числом от %d до %d"},
    {50, L"The pause after a light change should be a number of frames from %d to %d",
     L"Пауза после смены освещения должна быть числом кадров от %d до %d"},
    {51, L"The share of frames that mutes a cell should be a number from %d to %d",
     L"Доля кадров для отключения ячейки должна быть числом от %d до %d"},
    {52, L"The number of cells for an alarm should be a number from %d to %d",
     L"Количество ячеек для тревоги должно быть числом от %d до %d"},
    {53, L"The length of a run should be a number of seconds from %d to %d",
     L"Длительность обучения должна быть числом секунд от %d до %d"},
    {54, L"Learning the quiet scene: let nothing move in it.", L"Изучается спокойная сцена: пусть в ней ничего не движется."},
    {55, L"Learning motion: walk through the scene.", L"Изучается движение: пройдите через кадр."},
    {56, L"Quiet scene: not learned yet", L"Спокойная сцена: ещё не изучена"},
    {57, L"Quiet scene: quiet up to %1", L"Спокойная сцена: без тревог до %1"},
    {58, L"Quiet scene: none", L"Спокойная сцена: нет"},
    {59, L"Motion: not learned yet", L"Движение: ещё не изучено"},
    {60, L"Motion: caught from %1", L"Движение: замечено с %1"},
    {61, L"Motion: none", L"Движение: нет"},
    {62, L"Sensitivity %1: the quiet scene stays quiet up to %2, the walk is caught from %3",
     L"Чувствительность %1: спокойная сцена без тревог до %2, проход замечен с %3"},
    {63, L"No sensitivity tells them apart: even 0 alarms in the quiet scene.",
     L"Чувствительность не подобрать: даже при 0 в спокойной сцене есть тревога."},
    {64, L"No sensitivity tells them apart: even 16 misses the walk.",
     L"Чувствительность не подобрать: даже при 16 проход не замечен."},
    {65, L"No sensitivity tells them apart: the walk is caught only from %1, but the quiet scene alarms from %2.",
     L"Чувствительность не подобрать: проход замечен только с %1, а спокойная сцена даёт тревогу уже с %2."},
    {66, L"Cells that spoil it: %1", L"Мешающие ячейки: %1"},
    {67, L"%1 and %2 more", L"%1 и ещё %2"},
    {68, L"The run stopped: the channel changed.", L"Обучение прервано: сменился канал."},
    {69, L"The run stopped: a new stream started.", L"Обучение прервано: начался новый поток."},
    {70, L"The run was cancelled.", L"Обучение отменено."},
    {71, L"The run stopped: the mask changed.", L"Обучение прервано: изменилась маска."},
    {72, L"The run stopped: not enough memory.", L"Обучение прервано: не хватило памяти."},
    {73, L"The scene memory should be a number of seconds from %d to %d",
     L"Память сцены должна быть числом секунд от %d до %d"},
    {74, L"The time before the view is lost should be a number of seconds from %d to %d",
     L"Время до потери обзора должно быть числом секунд от %d до %d"},
    {75, L"The busy cell margin should be a number of levels from %d to %d",
     L"Запас занятой ячейки должен быть числом уровней от %d до %d"},
    {76, L"VIEW LOST", L"ОБЗОР ПОТЕРЯН"},
    {77, L"View lost: is the camera covered or turned?", L"Обзор потерян: камера закрыта или повёрнута?"},
    {78, L"View: watched", L"Обзор: под контролем"},
};

class LanguageSelectorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    folder.erase(folder.find_last_of('\\') + 1);
    module_ = LoadLibraryA((folder + "Plugins\\QPM_QLVGuard.dll").c_str());
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "Plugins\\QPM_QLVGuard.dll beside the test is needed"; }

  static HMODULE module_;
};
HMODULE LanguageSelectorTest::module_ = nullptr;

TEST_F(LanguageSelectorTest, EveryStringInBothLanguagesAsUtf16) {
  const LanguageSelector english(module_, 1033);
  const LanguageSelector russian(module_, 1049);
  for (const Texts& t : kTexts) {
    SCOPED_TRACE(t.id);
    EXPECT_EQ(english.LoadWideString(t.id), std::wstring(t.english));
    EXPECT_EQ(russian.LoadWideString(t.id), std::wstring(t.russian));
  }
  EXPECT_EQ(english.LoadWideString(24)[6], L'\u00E0');
  EXPECT_NE(russian.LoadWideString(32).find(L"\u043A\u0430\u0434\u0440\u043E\u0432  \u0434"), std::wstring::npos);
}

TEST_F(LanguageSelectorTest, OtherLanguagesFallBackToEnglish) {
  // No neutral or sub-language matching: 0x0019 (Russian, neutral) and 0x0819
  // (Russian, Moldova) are not 1049.
  for (LANGID lang : {LANGID(1031), LANGID(2057), LANGID(0x0019), LANGID(0x0819), LANGID(0)}) {
    const LanguageSelector s(module_, lang);
    SCOPED_TRACE(lang);
    EXPECT_EQ(s.LoadWideString(IDS_PLUGIN_NAME), L"Motion detection");
    EXPECT_EQ(s.LoadWideString(IDS_MSG_OPACITY_RANGE), L"Opacity value should be a number from 0 to 100");
    EXPECT_EQ(s.fallback(), 1033);
  }
}

TEST_F(LanguageSelectorTest, ResourcesOnlyInEnglishComeFromTheFallback) {
  // The version resource exists once, in 1033.
  const LanguageSelector russian(module_, 1049);
  DWORD size = 0;
  const void* version = russian.LoadResourceData(reinterpret_cast<LPCSTR>(RT_VERSION), 1, &size);
  ASSERT_NE(version, nullptr);
  EXPECT_GT(size, 64u);
  EXPECT_EQ(russian.LoadResourceData(reinterpret_cast<LPCSTR>(RT_VERSION), 2, &size), nullptr);
  EXPECT_EQ(size, 0u);
  const LanguageSelector nothing(nullptr, 1033);
  EXPECT_EQ(nothing.LoadResourceData(reinterpret_cast<LPCSTR>(RT_STRING), 1, &size), nullptr);
  EXPECT_EQ(nothing.LoadWideString(1), L"");
}

TEST_F(LanguageSelectorTest, MissingEntriesAndBlocks) {
  const LanguageSelector s(module_, 1049);
  bool block = false;
  // Entry 0 of the first block and entry 36 of the third exist as empty slots.
  EXPECT_EQ(s.LoadWideString(0, &block), L"");
  EXPECT_TRUE(block);
  EXPECT_EQ(s.LoadWideString(36, &block), L"");
  EXPECT_TRUE(block);
  // Block 7 (ids 96-111) does not exist in any language.
  EXPECT_EQ(s.LoadWideString(100, &block), L"");
  EXPECT_FALSE(block);
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_FALSE(s.LoadStringInto(100, buffer, sizeof buffer));
  EXPECT_EQ(buffer[0], '\0');
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_TRUE(s.LoadStringInto(36, buffer, sizeof buffer));
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(s.LoadString(100), "");
}

TEST_F(LanguageSelectorTest, LoadStringIntoCutsToTheBufferAndTerminates) {
  const LanguageSelector s(module_, 1033);
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_TRUE(s.LoadStringInto(IDS_PLUGIN_NAME, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "Motion ");
  char whole[128];
  EXPECT_TRUE(s.LoadStringInto(IDS_PLUGIN_DESCRIPTION, whole, sizeof whole));
  EXPECT_STREQ(whole, "Motion detector with DVR functions.");
  EXPECT_FALSE(s.LoadStringInto(IDS_PLUGIN_NAME, nullptr, 10));
  EXPECT_FALSE(s.LoadStringInto(IDS_PLUGIN_NAME, whole, 0));
}

TEST_F(LanguageSelectorTest, AnsiTextFollowsTheCodePage) {
  const LanguageSelector english(module_, 1033);
  const UINT acp = GetACP();
  if (acp == 1252) {
    EXPECT_EQ(english.LoadString(IDS_TIP_TASK_RESTART), "Allow \xE0 task restarting");
  } else if (acp == 1251) {
    const LanguageSelector russian(module_, 1049);
    EXPECT_EQ(russian.LoadString(IDS_PLUGIN_NAME), "\xC4\xE5\xF2\xE5\xEA\xF2\xEE\xF0 \xE4\xE2\xE8\xE6\xE5\xED\xE8\xFF");
  } else {
    GTEST_SKIP() << "code page " << acp;
  }
}

// The conversion is sized by what it reports, so a double-byte code page keeps
// the whole text where a buffer of one byte per unit would cut it in half.
TEST(WideToCodePage, DoubleByteCodePageKeepsTheWholeText) {
  const std::wstring japanese = L"\u65E5\u672C";  // two ideographs, two bytes each in 932
  EXPECT_EQ(WideToCodePage(932, japanese), "\x93\xFA\x96\x7B");
  // Single-byte code pages: one byte per unit, as before.
  EXPECT_EQ(WideToCodePage(1251, L"\u0414\u0430"), "\xC4\xE0");
  EXPECT_EQ(WideToCodePage(1252, L"\u00E0"), "\xE0");
  EXPECT_EQ(WideToCodePage(1252, L""), "");
}

TEST(WideToCodePage, CutsBeforeADoubleByteCharacterNeverInside) {
  const std::string sjis = "a\x93\xFA\x96\x7B";  // 'a' and two ideographs in code page 932
  char buffer[8];
  EXPECT_EQ(CopyWholeCharacters(sjis, 932, buffer, 3), 1u);  // room for 2 bytes: 'a', not half a pair
  EXPECT_STREQ(buffer, "a");
  EXPECT_EQ(CopyWholeCharacters(sjis, 932, buffer, 4), 3u);
  EXPECT_STREQ(buffer, "a\x93\xFA");
  EXPECT_EQ(CopyWholeCharacters(sjis, 932, buffer, 8), 5u);
  EXPECT_STREQ(buffer, sjis.c_str());
  // A single-byte code page cuts anywhere.
  EXPECT_EQ(CopyWholeCharacters("\xC4\xE0\xE1", 1251, buffer, 3), 2u);
  EXPECT_STREQ(buffer, "\xC4\xE0");
  EXPECT_EQ(CopyWholeCharacters("", 1251, buffer, 1), 0u);
  EXPECT_STREQ(buffer, "");
}

}  // namespace
}  // namespace qlv
