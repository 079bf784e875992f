// The detector tuning window of the real DLL, opened from the settings dialog with a
// real click and driven through its fields with real keys: what it shows, what it
// refuses and says, its keys, the range of the cell count on the grid of the moment,
// one window however often it is asked for, and the settings file it leads to.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "chooser_driver.h"
#include "dialog_driver.h"
#include "host_session.h"
#include "plugin_files.h"
#include "res/resource.h"

namespace {

using hosttest::ItemText;
using hosttest::PumpUntil;
using hosttest::SavedValue;
using hosttest::TooltipText;

const int kEdits[] = {IDC_LIGHT_CHANGE_PERCENT_EDIT, IDC_LIGHT_CHANGE_FRAMES_EDIT, IDC_MUTE_BUSY_PERCENT_EDIT,
                      IDC_MIN_ALARM_CELLS_EDIT,      IDC_SCENE_SECONDS_EDIT,       IDC_VIEW_LOST_SECONDS_EDIT,
                      IDC_BUSY_MARGIN_EDIT};
const char* const kKeys[] = {"LightChangePercent", "LightChangeFrames", "MuteBusyPercent", "MinAlarmCells",
                             "SceneSeconds",       "ViewLostSeconds",   "BusyMargin"};
constexpr size_t kFieldCount = sizeof kEdits / sizeof kEdits[0];

std::string GridMask() { return hosttest::PluginsFolder() + "tuning_grid.msk"; }

// A mask file of `columns` x `rows` cells, none watched.
std::string MaskBytes(int columns, int rows) {
  std::string m("\x03\x02", 2);
  for (int v : {columns, rows}) {
    for (int i = 0; i < 4; ++i) m += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  m.append(static_cast<size_t>(columns * rows), '\0');
  return m;
}

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// What the seven fields show, in the window's order.
std::vector<std::wstring> Shown(HWND tuning) {
  std::vector<std::wstring> texts;
  for (int id : kEdits) texts.push_back(ItemText(tuning, id));
  return texts;
}

// The up-down's upper end.
int32_t SpinMax(HWND spin) {
  int32_t low = 0, high = 0;
  SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  return high;
}

// Texts of the labels and the group box, in template order.
std::vector<std::wstring> LabelTexts(HWND window) {
  std::vector<std::wstring> texts;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(c, cls, 32);
    const std::wstring text = hosttest::WindowText(c);
    if (!text.empty() && (lstrcmpiW(cls, L"Static") == 0 || lstrcmpiW(cls, L"Button") == 0)) texts.push_back(text);
  }
  return texts;
}

class TuningWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveFiles(); }
  void TearDown() override {
    session_.Shutdown();
    RemoveFiles();
  }
  static void RemoveFiles() {
    DeleteFileA(hosttest::IniPath().c_str());
    DeleteFileA(GridMask().c_str());
  }

  // A host with visible windows, the plug-in initialised from `ini` and started on
  // 96 x 72 frames; the host answers `language` to the language question.
  void OpenHost(const std::string& ini, uint32_t language = 1033) {
    session_.Shutdown();
    if (!ini.empty()) hosttest::WriteBytes(hosttest::IniPath(), "[PluginSettings]\r\n" + ini);
    hostsim::HostSessionOptions so;
    so.windows.visible = true;
    so.windows.languageAnswer = language;
    std::string error;
    ASSERT_TRUE(session_.Open(so, &error)) << error;
    ASSERT_NE(session_.Record(), nullptr);
    session_.Init();
    qlv::StreamFormat format = hostsim::DefaultStreamFormat();
    format.width = 96;
    format.height = 72;
    ASSERT_EQ(session_.Start(format), 1);
  }

  HWND OpenDialog() {
    session_.RequestSettings();
    HWND d = hosttest::WaitForSettingsDialog();
    EXPECT_NE(d, nullptr) << "no settings dialog";
    return d;
  }

  // A real click on the settings dialog's button; the tuning window once it is shown.
  static HWND PressTuning(HWND dialog) {
    EXPECT_TRUE(hosttest::ClickOn(GetDlgItem(dialog, IDC_TUNING)));
    HWND t = hosttest::WaitForTuningWindow();
    EXPECT_NE(t, nullptr) << "no tuning window";
    return t;
  }

  // Types into a field key by key; true once it shows what was typed.
  static bool Type(HWND tuning, int id, const std::string& digits) {
    return hosttest::TypeInto(GetDlgItem(tuning, id), digits) &&
           PumpUntil([&] { return ItemText(tuning, id) == Wide(digits); }, 5000);
  }

  HMODULE plugin() const { return session_.plugin().module; }

  hostsim::HostSession session_;
};

TEST_F(TuningWindowTest, OpenedByItsButtonOnceAndItsFieldsCheckedStoredAndSaved) {
  OpenHost("");
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  HWND button = GetDlgItem(d, IDC_TUNING);
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(hosttest::IconIs(hosttest::ButtonIcon(button), plugin(), IDI_TUNING));
  EXPECT_EQ(TooltipText(d, button), L"Detector tuning");
  ASSERT_TRUE(hosttest::TuningWindows().empty()) << "only the button opens it";

  HWND t = PressTuning(d);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(GetWindow(t, GW_OWNER), d);
  EXPECT_EQ(hosttest::WindowText(t), L"Detector tuning");
  // Beside the settings dialog, its top at the dialog's.
  EXPECT_EQ(hosttest::ScreenRect(t).left, hosttest::ScreenRect(d).right);
  EXPECT_EQ(hosttest::ScreenRect(t).top, hosttest::ScreenRect(d).top);
  EXPECT_EQ(Shown(t), (std::vector<std::wstring>{L"0", L"10", L"0", L"1", L"0", L"0", L"0"}))
      << "every guard and intruder option off";
  EXPECT_EQ(ItemText(t, IDC_VIEW_STATE), L"") << "no view is watched";

  // Tab goes through the seven fields in order (the guards, then the intruder options), on
  // through the Tuning group's controls that are enabled with no run, and round again.
  const int cycle[] = {kEdits[0], kEdits[1],       kEdits[2],        kEdits[3],      kEdits[4],      kEdits[5],
                       kEdits[6], IDC_TUNE_LEVELS, IDC_TUNE_SECONDS, IDC_TUNE_QUIET, IDC_TUNE_MOTION};
  const size_t stops = sizeof cycle / sizeof cycle[0];
  for (size_t i = 0; i < stops; ++i) {
    HWND from = GetDlgItem(t, cycle[i]);
    ASSERT_TRUE(hosttest::PressKeys(from, {VK_TAB}));
    EXPECT_EQ(GetFocus(), GetDlgItem(t, cycle[(i + 1) % stops])) << "Tab from stop " << i;
  }

  hosttest::MessageBoxCatcher boxes;
  ASSERT_TRUE(Type(t, IDC_LIGHT_CHANGE_PERCENT_EDIT, "30"));
  ASSERT_TRUE(Type(t, IDC_LIGHT_CHANGE_FRAMES_EDIT, "249"));
  ASSERT_TRUE(Type(t, IDC_MUTE_BUSY_PERCENT_EDIT, "60"));
  ASSERT_TRUE(Type(t, IDC_MIN_ALARM_CELLS_EDIT, "432"));  // every cell of the 24 x 18 grid
  ASSERT_TRUE(Type(t, IDC_SCENE_SECONDS_EDIT, "600"));
  ASSERT_TRUE(Type(t, IDC_VIEW_LOST_SECONDS_EDIT, "4"));
  ASSERT_TRUE(Type(t, IDC_BUSY_MARGIN_EDIT, "50"));
  EXPECT_EQ(boxes.count(), 0u);
  // The arrows stop at the range's end.
  ASSERT_TRUE(hosttest::PressKeys(GetDlgItem(t, IDC_LIGHT_CHANGE_FRAMES_EDIT), {VK_UP, VK_UP, VK_UP}));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(t, IDC_LIGHT_CHANGE_FRAMES_EDIT) == L"250"; }));

  // Whole texts at once, as pasted: beyond the range, empty, not a number, beyond 2^32
  // (one that would wrap to a valid 30), a thousand digits. Each: one message, the value kept.
  const std::wstring pasted[] = {L"101", L"", L"12a", L"99999999999", L"4294967326", std::wstring(1000, L'5')};
  for (const std::wstring& text : pasted) {
    SCOPED_TRACE(testing::Message() << "pasted " << testing::PrintToString(text.substr(0, 12)));
    const size_t before = boxes.count();
    hosttest::SetItemText(t, IDC_LIGHT_CHANGE_PERCENT_EDIT, text);
    EXPECT_TRUE(boxes.WaitForCount(before + 1));
    EXPECT_EQ(ItemText(t, IDC_LIGHT_CHANGE_PERCENT_EDIT), L"30");
  }
  // Typed: "4" is taken, "43" too, "433" is one cell more than the grid has.
  ASSERT_TRUE(hosttest::TypeInto(GetDlgItem(t, IDC_MIN_ALARM_CELLS_EDIT), "433"));
  EXPECT_TRUE(boxes.WaitForCount(7));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(t, IDC_MIN_ALARM_CELLS_EDIT) == L"43"; }));
  ASSERT_TRUE(Type(t, IDC_MIN_ALARM_CELLS_EDIT, "3"));
  // One past each intruder option's end: refused with its own message, the value kept.
  const struct {
    int id;
    const wchar_t* text;
    const wchar_t* kept;
  } beyond[] = {{IDC_SCENE_SECONDS_EDIT, L"601", L"600"},
                {IDC_VIEW_LOST_SECONDS_EDIT, L"601", L"4"},
                {IDC_BUSY_MARGIN_EDIT, L"51", L"50"}};
  for (const auto& b : beyond) {
    const size_t before = boxes.count();
    hosttest::SetItemText(t, b.id, b.text);
    EXPECT_TRUE(boxes.WaitForCount(before + 1)) << b.id;
    EXPECT_EQ(ItemText(t, b.id), b.kept);
  }
  ASSERT_TRUE(Type(t, IDC_BUSY_MARGIN_EDIT, "3"));

  // Enter changes nothing; Escape closes this window and leaves the settings dialog.
  ASSERT_TRUE(hosttest::PressKeys(GetDlgItem(t, IDC_MUTE_BUSY_PERCENT_EDIT), {VK_RETURN}));
  ASSERT_TRUE(Type(t, IDC_MUTE_BUSY_PERCENT_EDIT, "61"));
  EXPECT_TRUE(IsWindowVisible(t));
  ASSERT_TRUE(hosttest::PressKeys(GetDlgItem(t, IDC_MUTE_BUSY_PERCENT_EDIT), {VK_ESCAPE}));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(t); }));
  EXPECT_TRUE(IsWindow(d) && IsWindowVisible(d)) << "Escape closed the settings dialog";

  const std::vector<hosttest::SeenMessageBox> seen = boxes.boxes();
  const wchar_t* const said[] = {
      L"The share of cells that makes a light change should be a number from 0 to 100",
      L"The number of cells for an alarm should be a number from 1 to 432",
      L"The scene memory should be a number of seconds from 0 to 600",
      L"The time before the view is lost should be a number of seconds from 0 to 600",
      L"The busy cell margin should be a number of levels from 0 to 50"};
  ASSERT_EQ(seen.size(), 10u);
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].text, said[i < 6 ? 0 : i - 5]) << "message " << i;
    EXPECT_EQ(seen[i].owner, t) << "message " << i;
    EXPECT_TRUE(seen[i].okButton);
  }

  // Open again: the values stored. A second press while it is open brings the same
  // window to the front, and no other.
  t = PressTuning(d);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Shown(t), (std::vector<std::wstring>{L"30", L"250", L"61", L"3", L"600", L"4", L"3"}));
  ASSERT_TRUE(hosttest::FocusForInput(GetDlgItem(d, IDC_SENSITIVE_EDIT)));
  ASSERT_NE(GetForegroundWindow(), t);
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(d, IDC_TUNING)));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == t; }));
  EXPECT_EQ(hosttest::TuningWindows(), std::vector<HWND>{t});

  // Closing the plug-in destroys both windows and saves the seven values.
  session_.Close();
  EXPECT_FALSE(IsWindow(t));
  EXPECT_FALSE(IsWindow(d));
  const char* const saved[kFieldCount] = {"30", "250", "61", "3", "600", "4", "3"};
  for (size_t i = 0; i < kFieldCount; ++i) EXPECT_EQ(SavedValue(kKeys[i]), saved[i]) << kKeys[i];

  // Read back at the next start, then set back to the defaults: the keys go.
  OpenHost(std::string());
  d = OpenDialog();
  ASSERT_NE(d, nullptr);
  t = PressTuning(d);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(Shown(t), (std::vector<std::wstring>{L"30", L"250", L"61", L"3", L"600", L"4", L"3"}));
  ASSERT_TRUE(Type(t, IDC_LIGHT_CHANGE_PERCENT_EDIT, "0"));
  ASSERT_TRUE(Type(t, IDC_LIGHT_CHANGE_FRAMES_EDIT, "10"));
  ASSERT_TRUE(Type(t, IDC_MUTE_BUSY_PERCENT_EDIT, "0"));
  ASSERT_TRUE(Type(t, IDC_MIN_ALARM_CELLS_EDIT, "1"));
  for (int id : {IDC_SCENE_SECONDS_EDIT, IDC_VIEW_LOST_SECONDS_EDIT, IDC_BUSY_MARGIN_EDIT}) ASSERT_TRUE(Type(t, id, "0"));
  // The settings dialog's "OK" closes the window it owns.
  ASSERT_TRUE(hosttest::ClickOn(GetDlgItem(d, IDC_OK)));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(d) && !IsWindow(t); }));
  session_.Close();
  for (const char* key : kKeys) EXPECT_EQ(SavedValue(key), "(missing)") << key;
  EXPECT_EQ(SavedValue("Sensitive"), "10") << "the table's keys are all still written";
}

// The cell count's range is the grid's: read when the window opens, and again when
// the settings dialog loads a mask of another size while the window is open. The
// field shows what is stored even when a smaller grid leaves it beyond the range.
TEST_F(TuningWindowTest, TheCellCountFollowsTheGridOfTheMaskLoaded) {
  hosttest::WriteBytes(GridMask(), MaskBytes(10, 8));
  OpenHost("MaskFileName=" + GridMask() + "\r\nMinAlarmCells=80\r\n");
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  HWND t = PressTuning(d);
  ASSERT_NE(t, nullptr);
  HWND spin = GetDlgItem(t, IDC_MIN_ALARM_CELLS_SPIN);
  EXPECT_EQ(ItemText(t, IDC_MIN_ALARM_CELLS_EDIT), L"80");
  EXPECT_EQ(SpinMax(spin), 80);

  // The message of one pasted refusal, once the field shows `kept` again. The
  // catcher lives only meanwhile: the file chooser is a dialog window too.
  auto refusal = [&](const wchar_t* text, const wchar_t* kept) -> std::wstring {
    hosttest::MessageBoxCatcher boxes;
    hosttest::SetItemText(t, IDC_MIN_ALARM_CELLS_EDIT, text);
    if (!boxes.WaitForCount(1) || !PumpUntil([&] { return ItemText(t, IDC_MIN_ALARM_CELLS_EDIT) == kept; }))
      return L"(no refusal)";
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.boxes()[0].owner, t);
    return boxes.boxes()[0].text;
  };
  auto loadMask = [&](int columns, int rows) {
    hosttest::WriteBytes(GridMask(), MaskBytes(columns, rows));
    hosttest::FileChooserAnswer answer(d, Wide(GridMask()));
    hosttest::ClickButton(d, IDC_MASK_LOAD);
    EXPECT_EQ(answer.count(), 1u);
  };
  const std::wstring to80 = L"The number of cells for an alarm should be a number from 1 to 80";
  EXPECT_EQ(refusal(L"81", L"80"), to80);

  // A mask of 30 x 20 cells through the settings dialog's chooser.
  loadMask(30, 20);
  EXPECT_TRUE(PumpUntil([&] { return SpinMax(spin) == 600; }));
  EXPECT_EQ(ItemText(d, IDC_MASK_FILE), Wide(GridMask()));
  hosttest::SetItemText(t, IDC_MIN_ALARM_CELLS_EDIT, L"600");
  EXPECT_TRUE(PumpUntil([&] { return ItemText(t, IDC_MIN_ALARM_CELLS_EDIT) == L"600"; }, 3000));
  EXPECT_EQ(refusal(L"601", L"600"), L"The number of cells for an alarm should be a number from 1 to 600");

  // Back to the 10 x 8 mask: 600 cells could never be in Alarm there, so the value is the
  // default again, as a file's would be, and the field takes no more than 80.
  loadMask(10, 8);
  EXPECT_TRUE(PumpUntil([&] { return SpinMax(spin) == 80; }));
  EXPECT_TRUE(PumpUntil([&] { return ItemText(t, IDC_MIN_ALARM_CELLS_EDIT) == L"1"; }, 3000));
  EXPECT_EQ(refusal(L"81", L"1"), to80);
  session_.Close();
  EXPECT_EQ(SavedValue("MinAlarmCells"), "(missing)");  // at its default: not written
}

// In Russian, whatever the code page makes of the texts: the window's caption and
// labels, the tooltip and a refusal.
TEST_F(TuningWindowTest, RussianTextsCp1251) {
  ASSERT_EQ(GetACP(), 1251u) << "run with LANG=ru_RU.UTF-8";
  OpenHost("", 0x419);
  HWND d = OpenDialog();
  ASSERT_NE(d, nullptr);
  // Настройка детектора
  const std::wstring title = hosttest::kTuningCaptionRussian;
  EXPECT_EQ(TooltipText(d, GetDlgItem(d, IDC_TUNING)), title);
  HWND t = PressTuning(d);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(hosttest::WindowText(t), title);
  EXPECT_EQ(LabelTexts(t), (std::vector<std::wstring>{
                       L"\u041B\u043E\u0436\u043D\u044B\u0435 \u0442\u0440\u0435\u0432\u043E\u0433\u0438",  // Ложные тревоги
                       L"\u0421\u043C\u0435\u043D\u0430 \u043E\u0441\u0432\u0435\u0449\u0435\u043D\u0438\u044F "
                       L"\u043F\u0440\u0438:",  // Смена освещения при:
                       L"% \u044F\u0447\u0435\u0435\u043A",  // % ячеек
                       L"\u041F\u0430\u0443\u0437\u0430 \u043F\u043E\u0441\u043B\u0435 \u0441\u043C\u0435\u043D\u044B "
                       L"\u043E\u0441\u0432\u0435\u0449\u0435\u043D\u0438\u044F:",  // Пауза после смены освещения:
                       L"\u043A\u0430\u0434\u0440\u043E\u0432",                      // кадров
                       L"\u041E\u0442\u043A\u043B\u044E\u0447\u0430\u0442\u044C \u044F\u0447\u0435\u0439\u043A\u0443, "
                       L"\u0437\u0430\u043D\u044F\u0442\u0443\u044E \u0431\u043E\u043B\u0435\u0435:",  // Отключать ячейку, занятую более:
                       L"% \u043A\u0430\u0434\u0440\u043E\u0432",  // % кадров
                       L"\u0414\u043B\u044F \u0442\u0440\u0435\u0432\u043E\u0433\u0438 \u043D\u0443\u0436\u043D\u043E "
                       L"\u043D\u0435 \u043C\u0435\u043D\u0435\u0435:",  // Для тревоги нужно не менее:
                       L"\u044F\u0447\u0435\u0435\u043A",                // ячеек
                       L"0 % \u0432\u044B\u043A\u043B\u044E\u0447\u0430\u0435\u0442 "
                       L"\u0437\u0430\u0449\u0438\u0442\u0443.",  // 0 % выключает защиту.
                       L"\u041D\u0430\u0440\u0443\u0448\u0438\u0442\u0435\u043B\u0438",  // Нарушители
                       L"\u041F\u0430\u043C\u044F\u0442\u044C \u0441\u0446\u0435\u043D\u044B:",  // Память сцены:
                       L"\u0441\u0435\u043A\u0443\u043D\u0434",  // секунд
                       L"\u041F\u043E\u0442\u0435\u0440\u044F \u043E\u0431\u0437\u043E\u0440\u0430 \u0447\u0435\u0440\u0435\u0437:",  // Потеря обзора через:
                       L"\u0441\u0435\u043A\u0443\u043D\u0434",  // секунд
                       L"\u0417\u0430\u043F\u0430\u0441 \u0437\u0430\u043D\u044F\u0442\u043E\u0439 \u044F\u0447\u0435\u0439\u043A\u0438:",  // Запас занятой ячейки:
                       L"\u0443\u0440\u043E\u0432\u043D\u0435\u0439",  // уровней
                       L"0 \u0432\u044B\u043A\u043B\u044E\u0447\u0430\u0435\u0442 \u0444\u0443\u043D\u043A\u0446\u0438\u044E.",  // 0 выключает функцию.
                       L"\u041F\u043E\u0434\u0441\u0442\u0440\u043E\u0439\u043A\u0430",  // Подстройка
                       L"\u041F\u043E\u043A\u0430\u0437\u044B\u0432\u0430\u0442\u044C \u0443\u0440\u043E\u0432\u043D\u0438 "
                       L"\u0438\u0437\u043C\u0435\u043D\u0435\u043D\u0438\u0439 \u043D\u0430 "
                       L"\u0432\u0438\u0434\u0435\u043E",  // Показывать уровни изменений на видео
                       L"\u0414\u043B\u0438\u0442\u0435\u043B\u044C\u043D\u043E\u0441\u0442\u044C "
                       L"\u043E\u0431\u0443\u0447\u0435\u043D\u0438\u044F:",  // Длительность обучения:
                       L"\u0441\u0435\u043A\u0443\u043D\u0434",                  // секунд
                       L"\u0418\u0437\u0443\u0447\u0438\u0442\u044C \u0441\u043F\u043E\u043A\u043E\u0439\u043D\u0443\u044E "
                       L"\u0441\u0446\u0435\u043D\u0443",  // Изучить спокойную сцену
                       L"\u0418\u0437\u0443\u0447\u0438\u0442\u044C \u0434\u0432\u0438\u0436\u0435\u043D\u0438\u0435",  // Изучить движение
                       L"\u041E\u0442\u043C\u0435\u043D\u0430",  // Отмена
                       // Спокойная сцена: ещё не изучена / Движение: ещё не изучено
                       L"\u0421\u043F\u043E\u043A\u043E\u0439\u043D\u0430\u044F \u0441\u0446\u0435\u043D\u0430: "
                       L"\u0435\u0449\u0451 \u043D\u0435 \u0438\u0437\u0443\u0447\u0435\u043D\u0430\r\n"
                       L"\u0414\u0432\u0438\u0436\u0435\u043D\u0438\u0435: \u0435\u0449\u0451 \u043D\u0435 "
                       L"\u0438\u0437\u0443\u0447\u0435\u043D\u043E",
                       L"\u041F\u0440\u0438\u043C\u0435\u043D\u0438\u0442\u044C",  // Применить
                       L"\u041D\u0435 \u0441\u043B\u0435\u0434\u0438\u0442\u044C \u0437\u0430 \u044D\u0442\u0438\u043C\u0438 "
                       L"\u044F\u0447\u0435\u0439\u043A\u0430\u043C\u0438",  // Не следить за этими ячейками
                   }));

  hosttest::MessageBoxCatcher boxes;
  hosttest::SetItemText(t, IDC_LIGHT_CHANGE_FRAMES_EDIT, L"0");
  ASSERT_TRUE(boxes.WaitForCount(1));
  EXPECT_EQ(ItemText(t, IDC_LIGHT_CHANGE_FRAMES_EDIT), L"10");
  // Пауза после смены освещения должна быть числом кадров от 1 до 250
  EXPECT_EQ(boxes.boxes().at(0).text,
            L"\u041F\u0430\u0443\u0437\u0430 \u043F\u043E\u0441\u043B\u0435 \u0441\u043C\u0435\u043D\u044B "
            L"\u043E\u0441\u0432\u0435\u0449\u0435\u043D\u0438\u044F \u0434\u043E\u043B\u0436\u043D\u0430 "
            L"\u0431\u044B\u0442\u044C \u0447\u0438\u0441\u043B\u043E\u043C \u043A\u0430\u0434\u0440\u043E\u0432 "
            L"\u043E\u0442 1 \u0434\u043E 250");
  hosttest::SetItemText(t, IDC_BUSY_MARGIN_EDIT, L"51");
  ASSERT_TRUE(boxes.WaitForCount(2));
  EXPECT_EQ(ItemText(t, IDC_BUSY_MARGIN_EDIT), L"0");
  // Запас занятой ячейки должен быть числом уровней от 0 до 50
  EXPECT_EQ(boxes.boxes().at(1).text, L"\u0417\u0430\u043F\u0430\u0441 \u0437\u0430\u043D\u044F\u0442\u043E\u0439 \u044F\u0447\u0435\u0439\u043A\u0438 \u0434\u043E\u043B\u0436\u0435\u043D \u0431\u044B\u0442\u044C \u0447\u0438\u0441\u043B\u043E\u043C \u0443\u0440\u043E\u0432\u043D\u0435\u0439 \u043E\u0442 0 \u0434\u043E 50");
  session_.Close();
}

}  // namespace
