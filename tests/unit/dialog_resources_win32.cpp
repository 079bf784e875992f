// The dialog templates, the time-format menu, the combo-box lists, the icons and
// the bitmaps of the built DLL (loaded from Plugins\ beside the test program),
// read as data: no window is created.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "lang/language_selector_win32.h"
#include "res/resource.h"

namespace qlv {
namespace {

constexpr LANGID kLanguages[] = {kFallbackLanguage, kRussianLanguage};
constexpr UINT kTemplates[] = {IDD_SETTINGS,     IDD_CAPTION_PAGE,     IDD_GRID_PAGE,   IDD_PREVIEW_SHOW_PAGE,
                               IDD_RECORD_SHOW_PAGE, IDD_AREA_COLORS_PAGE, IDD_RECORD_PAGE, IDD_SOUND_PAGE,
                               IDD_TASK_PAGE,    IDD_TUNING,        IDD_SCHEDULE};

struct Control {
  DWORD style = 0;
  int id = 0;
  std::wstring cls;   // predefined classes as their names ("Button", "Edit", ...)
  std::wstring text;  // an ordinal text (a picture's resource id) as "#<n>"

  bool Unnamed() const { return id == -1 || id == 0xFFFF; }
};

struct Template {
  DWORD style = 0, exStyle = 0;
  int cx = 0, cy = 0;
  std::wstring caption, font;
  int pointSize = 0;
  std::vector<Control> controls;

  const Control* Find(int id) const {
    for (const Control& c : controls)
      if (c.id == id) return &c;
    return nullptr;
  }
  bool HasText(const std::wstring& text) const {
    return std::any_of(controls.begin(), controls.end(), [&](const Control& c) { return c.text == text; });
  }
};

// Reads an extended dialog template (the only kind the scripts hold); a short or
// malformed one fails the test instead of reading past the data.
class TemplateReader {
 public:
  TemplateReader(const void* data, DWORD size) : p_(static_cast<const BYTE*>(data)), size_(size) {}

  bool Read(Template* t) {
    if (Word() != 1 || Word() != 0xFFFF) return false;
    Dword();  // help id
    t->exStyle = Dword();
    t->style = Dword();
    const WORD count = Word();
    Word(), Word();
    t->cx = Word(), t->cy = Word();
    SzOrOrd(), SzOrOrd();  // menu, class
    t->caption = SzOrOrd();
    if (t->style & DS_SETFONT) {
      t->pointSize = Word();
      Word(), Word();  // weight; italic and charset
      t->font = SzOrOrd();
    }
    for (WORD i = 0; i < count && ok_; ++i) {
      at_ = (at_ + 3) & ~size_t(3);
      Control c;
      Dword(), Dword();  // help id, extended style
      c.style = Dword();
      Word(), Word(), Word(), Word();
      c.id = static_cast<int>(Dword());
      c.cls = SzOrOrd(true);
      c.text = SzOrOrd();
      at_ += Word();  // creation data
      t->controls.push_back(c);
    }
    return ok_ && at_ <= size_;
  }

 private:
  WORD Word() {
    if (at_ + 2 > size_) return ok_ = false, 0;
    WORD w;
    std::memcpy(&w, p_ + at_, 2);
    at_ += 2;
    return w;
  }
  DWORD Dword() {
    const DWORD lo = Word();
    return lo | DWORD(Word()) << 16;
  }
  std::wstring SzOrOrd(bool isClass = false) {
    WORD w = Word();
    if (w == 0xFFFF) {
      const WORD ord = Word();
      static const std::map<WORD, std::wstring> kClasses = {{0x80, L"Button"},  {0x81, L"Edit"},      {0x82, L"Static"},
                                                            {0x83, L"ListBox"}, {0x84, L"ScrollBar"}, {0x85, L"ComboBox"}};
      if (isClass && kClasses.count(ord)) return kClasses.at(ord);
      return L"#" + std::to_wstring(ord);
    }
    std::wstring s;
    for (; w && ok_; w = Word()) s += wchar_t(w);
    return s;
  }

  const BYTE* p_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool SameText(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

class DialogResourcesTest : public ::testing::Test {
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

  // The resource in exactly this language, without any fallback.
  static const void* Exact(LPCSTR type, UINT id, LANGID lang, DWORD* size = nullptr) {
    HRSRC found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id), lang);
    if (size) *size = found ? SizeofResource(module_, found) : 0;
    return found ? LockResource(LoadResource(module_, found)) : nullptr;
  }
  static Template Dialog(UINT id, LANGID lang) {
    Template t;
    DWORD size = 0;
    const void* data = Exact(reinterpret_cast<LPCSTR>(RT_DIALOG), id, lang, &size);
    EXPECT_NE(data, nullptr) << "template " << id << " in " << lang;
    if (data) {
      EXPECT_TRUE(TemplateReader(data, size).Read(&t)) << "template " << id << " in " << lang;
    }
    return t;
  }

  static HMODULE module_;
};
HMODULE DialogResourcesTest::module_ = nullptr;

TEST_F(DialogResourcesTest, TemplatesExistPerLanguageWithTheSameControls) {
  // Ids of every control with one, per template, in template order.
  const std::map<UINT, std::vector<int>> kIds = {
      {IDD_SETTINGS,
       {IDC_CURRENT_CHANNEL, IDC_CHANNEL_LIST, IDC_CHANNEL_BUTTON, IDC_MASK_FILE, IDC_MASK_SELECT_ALL, IDC_MASK_CLEAR,
        IDC_MASK_INVERT, IDC_MASK_LOAD, IDC_MASK_SAVE, IDC_MASK_SAVE_AS, IDC_SENSITIVE_EDIT, IDC_SENSITIVE_SPIN,
        IDC_FRAME_COUNTER_EDIT, IDC_FRAME_COUNTER_SPIN, IDC_SCHEDULE, IDC_CONTROL_R, IDC_CONTROL_G, IDC_CONTROL_B, IDC_CONTROL_Y,
        IDC_DURATION_EDIT, IDC_DURATION_SPIN, IDC_TUNING, IDC_ACTION_TAB, IDC_VISUAL_TAB, IDC_ABOUT, IDC_OK}},
      {IDD_RECORD_PAGE, {IDC_RECORD_ENABLE, IDC_RECORD_TYPE, IDC_RECORD_PAUSE}},
      {IDD_SOUND_PAGE,
       {IDC_SOUND_ENABLE, IDC_SOUND_PLAY, IDC_SOUND_STOP, IDC_SOUND_REPEAT, IDC_SOUND_FILE, IDC_SOUND_SELECT}},
      {IDD_TASK_PAGE, {IDC_TASK_ENABLE, IDC_TASK_RUN, IDC_TASK_RESTART, IDC_TASK_FILE, IDC_TASK_SELECT}},
      {IDD_CAPTION_PAGE,
       {IDC_CAPTION_FORMAT, IDC_CAPTION_POSITION, IDC_CAPTION_FONT, IDC_CAPTION_COLOR, IDC_CAPTION_OPACITY_EDIT,
        IDC_CAPTION_OPACITY_SPIN}},
      {IDD_GRID_PAGE, {IDC_GRID_COLOR, IDC_GRID_OPACITY_EDIT, IDC_GRID_OPACITY_SPIN}},
      {IDD_AREA_COLORS_PAGE,
       {IDC_AREA_INACTIVE_COLOR, IDC_AREA_INACTIVE_OPACITY_EDIT, IDC_AREA_INACTIVE_OPACITY_SPIN, IDC_AREA_ACTIVE_COLOR,
        IDC_AREA_ACTIVE_OPACITY_EDIT, IDC_AREA_ACTIVE_OPACITY_SPIN, IDC_AREA_DANGER_COLOR, IDC_AREA_DANGER_OPACITY_EDIT,
        IDC_AREA_DANGER_OPACITY_SPIN, IDC_AREA_ALARM_COLOR, IDC_AREA_ALARM_OPACITY_EDIT, IDC_AREA_ALARM_OPACITY_SPIN}},
      {IDD_PREVIEW_SHOW_PAGE, {IDC_SHOW_GRID, IDC_SHOW_MASK, IDC_SHOW_TIME}},
      {IDD_RECORD_SHOW_PAGE, {IDC_SHOW_GRID, IDC_SHOW_MASK, IDC_SHOW_TIME}},
      {IDD_TUNING,
       {IDC_LIGHT_CHANGE_PERCENT_EDIT, IDC_LIGHT_CHANGE_PERCENT_SPIN, IDC_LIGHT_CHANGE_FRAMES_EDIT,
        IDC_LIGHT_CHANGE_FRAMES_SPIN, IDC_MUTE_BUSY_PERCENT_EDIT, IDC_MUTE_BUSY_PERCENT_SPIN, IDC_MIN_ALARM_CELLS_EDIT,
        IDC_MIN_ALARM_CELLS_SPIN, IDC_SCENE_SECONDS_EDIT, IDC_SCENE_SECONDS_SPIN, IDC_VIEW_LOST_SECONDS_EDIT,
        IDC_VIEW_LOST_SECONDS_SPIN, IDC_BUSY_MARGIN_EDIT, IDC_BUSY_MARGIN_SPIN, IDC_VIEW_STATE, IDC_TUNE_LEVELS,
        IDC_TUNE_SECONDS, IDC_TUNE_SECONDS_SPIN, IDC_TUNE_QUIET,
        IDC_TUNE_MOTION, IDC_TUNE_CANCEL, IDC_TUNE_PROGRESS, IDC_TUNE_RESULT, IDC_TUNE_APPLY, IDC_TUNE_UNWATCH}},
      {IDD_SCHEDULE,
       {IDC_SCHEDULE_GRID, IDC_SCHEDULE_SWATCH_OFF, IDC_SCHEDULE_BRUSH_OFF, IDC_SCHEDULE_SWATCH_DAY,
        IDC_SCHEDULE_BRUSH_DAY, IDC_SCHEDULE_SWATCH_NIGHT, IDC_SCHEDULE_BRUSH_NIGHT, IDC_SCHEDULE_ALL_ON,
        IDC_SCHEDULE_OFF_TO_ON, IDC_NIGHT_SENSITIVE_EDIT, IDC_NIGHT_SENSITIVE_SPIN, IDC_NIGHT_SENSITIVE_DAY,
        IDC_NIGHT_FRAME_COUNTER_EDIT, IDC_NIGHT_FRAME_COUNTER_SPIN, IDC_NIGHT_FRAME_COUNTER_DAY,
        IDC_NIGHT_MIN_ALARM_CELLS_EDIT, IDC_NIGHT_MIN_ALARM_CELLS_SPIN, IDC_NIGHT_MIN_ALARM_CELLS_DAY,
        IDC_NIGHT_LIGHT_CHANGE_EDIT, IDC_NIGHT_LIGHT_CHANGE_SPIN, IDC_NIGHT_LIGHT_CHANGE_DAY, IDC_NIGHT_MUTE_BUSY_EDIT,
        IDC_NIGHT_MUTE_BUSY_SPIN, IDC_NIGHT_MUTE_BUSY_DAY, IDC_NIGHT_SCENE_SECONDS_EDIT, IDC_NIGHT_SCENE_SECONDS_SPIN,
        IDC_NIGHT_SCENE_SECONDS_DAY, IDC_SCHEDULE_NOW}},
  };
  for (UINT id : kTemplates) {
    const Template en = Dialog(id, kFallbackLanguage), ru = Dialog(id, kRussianLanguage);
    SCOPED_TRACE(id);
    std::vector<int> ids;
    for (const Control& c : en.controls)
      if (!c.Unnamed()) ids.push_back(c.id);
    EXPECT_EQ(ids, kIds.at(id));
    // The Russian template differs in texts and places only, and its longer tab
    // captions may wrap onto a second row.
    for (const Control& c : en.controls) {
      if (c.Unnamed()) continue;
      const Control* r = ru.Find(c.id);
      ASSERT_NE(r, nullptr) << c.id;
      EXPECT_TRUE(SameText(r->cls, c.cls.c_str())) << c.id;
      const DWORD layout = SameText(c.cls, WC_TABCONTROLW) ? TCS_MULTILINE : 0;
      EXPECT_EQ(r->style & ~layout, c.style & ~layout) << c.id;
    }
    EXPECT_EQ(ru.controls.size(), en.controls.size());
    for (const Template* t : {&en, &ru}) {
      EXPECT_EQ(t->font, L"MS Sans Serif");
      EXPECT_EQ(t->pointSize, 8);
      EXPECT_EQ(t->style & WS_VISIBLE, 0u);  // shown by the code once placed
      if (id == IDD_SETTINGS) {
        EXPECT_EQ(t->style & (WS_CAPTION | WS_SYSMENU | WS_CHILD), DWORD(WS_CAPTION));
        EXPECT_EQ(t->exStyle & WS_EX_TOOLWINDOW, DWORD(WS_EX_TOOLWINDOW));
        EXPECT_EQ(t->cx, 249);
        EXPECT_EQ(t->cy, 257);
      } else if (id == IDD_TUNING || id == IDD_SCHEDULE) {
        // A window of its own with a close box, which Escape also works.
        EXPECT_EQ(t->style & (WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_CHILD), DWORD(WS_CAPTION | WS_SYSMENU | WS_POPUP));
        EXPECT_EQ(t->exStyle & WS_EX_TOOLWINDOW, DWORD(WS_EX_TOOLWINDOW));
      } else {
        EXPECT_EQ(t->style & (WS_CHILD | WS_CAPTION | WS_BORDER | DS_MODALFRAME), DWORD(WS_CHILD));
      }
    }
  }
  // The about box exists in English only.
  EXPECT_EQ(Exact(reinterpret_cast<LPCSTR>(RT_DIALOG), IDD_ABOUT, kRussianLanguage), nullptr);
  const Template about = Dialog(IDD_ABOUT, kFallbackLanguage);
  EXPECT_EQ(about.caption, L"");
  EXPECT_TRUE(about.HasText(L"QPM_QLVGuard plugin"));
  EXPECT_TRUE(about.HasText(L"Ver.2.50"));
  EXPECT_TRUE(about.HasText(L"#5004"));
  ASSERT_NE(about.Find(IDOK), nullptr);
  // The selector hands out the Russian templates for 1049 and English for others.
  EXPECT_EQ(LanguageSelector(module_, kRussianLanguage).LoadDialogTemplate(IDD_SETTINGS),
            Exact(reinterpret_cast<LPCSTR>(RT_DIALOG), IDD_SETTINGS, kRussianLanguage));
  EXPECT_EQ(LanguageSelector(module_, 1031).LoadDialogTemplate(IDD_TASK_PAGE),
            Exact(reinterpret_cast<LPCSTR>(RT_DIALOG), IDD_TASK_PAGE, kFallbackLanguage));
}

TEST_F(DialogResourcesTest, ControlKindsAndStyles) {
  struct Kind {
    UINT dialog;
    int id;
    const wchar_t* cls;
    int type;  // the style's kind number (buttons, statics, combo boxes), or -1
    DWORD required;
    DWORD forbidden;
  };
  const DWORD kSpin = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS;
  // Enter must not press "OK": the dialog has no default push button (BS_PUSHBUTTON, not
  // BS_DEFPUSHBUTTON). The up-down controls are bound by the code, not automatically.
  const Kind kKinds[] = {
      {IDD_SETTINGS, IDC_CURRENT_CHANNEL, L"Static", SS_CENTER, SS_NOTIFY, 0},
      {IDD_SETTINGS, IDC_CHANNEL_LIST, L"ComboBox", CBS_DROPDOWNLIST, 0, CBS_SORT},
      {IDD_SETTINGS, IDC_CHANNEL_BUTTON, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_SETTINGS, IDC_MASK_FILE, L"Edit", -1, ES_READONLY, 0},
      {IDD_SETTINGS, IDC_MASK_SELECT_ALL, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_SETTINGS, IDC_MASK_SAVE_AS, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_SETTINGS, IDC_SENSITIVE_EDIT, L"Edit", -1, ES_NUMBER, 0},
      {IDD_SETTINGS, IDC_SENSITIVE_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_SETTINGS, IDC_FRAME_COUNTER_EDIT, L"Edit", -1, ES_NUMBER, 0},
      {IDD_SETTINGS, IDC_FRAME_COUNTER_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_SETTINGS, IDC_DURATION_EDIT, L"Edit", -1, ES_NUMBER, 0},
      {IDD_SETTINGS, IDC_DURATION_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_SETTINGS, IDC_CONTROL_R, L"Button", BS_AUTOCHECKBOX, 0, 0},
      {IDD_SETTINGS, IDC_CONTROL_Y, L"Button", BS_AUTOCHECKBOX, 0, 0},
      {IDD_SETTINGS, IDC_ACTION_TAB, WC_TABCONTROLW, -1, 0, 0},
      {IDD_SETTINGS, IDC_VISUAL_TAB, WC_TABCONTROLW, -1, 0, 0},
      {IDD_SETTINGS, IDC_OK, L"Button", BS_PUSHBUTTON, 0, 0},
      {IDD_SETTINGS, IDC_ABOUT, L"Button", BS_PUSHBUTTON, 0, 0},
      {IDD_SETTINGS, IDC_TUNING, L"Button", BS_PUSHBUTTON, BS_ICON | WS_TABSTOP, 0},
      {IDD_SETTINGS, IDC_SCHEDULE, L"Button", BS_PUSHBUTTON, BS_ICON | WS_TABSTOP, 0},
      // The grid takes no mouse input of its own (SS_NOTIFY would catch it): its window paints.
      {IDD_SCHEDULE, IDC_SCHEDULE_GRID, L"Static", SS_OWNERDRAW, 0, SS_NOTIFY | WS_TABSTOP},
      {IDD_SCHEDULE, IDC_SCHEDULE_BRUSH_OFF, L"Button", BS_AUTORADIOBUTTON, WS_GROUP | WS_TABSTOP, 0},
      {IDD_SCHEDULE, IDC_SCHEDULE_BRUSH_NIGHT, L"Button", BS_AUTORADIOBUTTON, 0, WS_GROUP},
      {IDD_SCHEDULE, IDC_SCHEDULE_ALL_ON, L"Button", BS_PUSHBUTTON, WS_GROUP | WS_TABSTOP, 0},
      {IDD_SCHEDULE, IDC_NIGHT_SENSITIVE_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_SCHEDULE, IDC_NIGHT_SENSITIVE_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_SCHEDULE, IDC_NIGHT_SENSITIVE_DAY, L"Button", BS_AUTOCHECKBOX, WS_TABSTOP, 0},
      {IDD_SCHEDULE, IDC_NIGHT_SCENE_SECONDS_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_SCHEDULE, IDC_SCHEDULE_NOW, L"Static", SS_LEFT, SS_NOPREFIX, WS_TABSTOP},
      {IDD_TUNING, IDC_LIGHT_CHANGE_PERCENT_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_LIGHT_CHANGE_PERCENT_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_LIGHT_CHANGE_FRAMES_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_LIGHT_CHANGE_FRAMES_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_MUTE_BUSY_PERCENT_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_MUTE_BUSY_PERCENT_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_MIN_ALARM_CELLS_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_MIN_ALARM_CELLS_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_SCENE_SECONDS_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_SCENE_SECONDS_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_VIEW_LOST_SECONDS_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_VIEW_LOST_SECONDS_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_BUSY_MARGIN_EDIT, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_BUSY_MARGIN_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      // The view's state: one line of text, never a tab stop.
      {IDD_TUNING, IDC_VIEW_STATE, L"Static", SS_LEFT, SS_NOPREFIX, WS_TABSTOP},
      {IDD_TUNING, IDC_TUNE_LEVELS, L"Button", BS_AUTOCHECKBOX, WS_TABSTOP, 0},
      {IDD_TUNING, IDC_TUNE_SECONDS, L"Edit", -1, ES_NUMBER | WS_TABSTOP, 0},
      {IDD_TUNING, IDC_TUNE_SECONDS_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_TUNING, IDC_TUNE_QUIET, L"Button", BS_PUSHBUTTON, WS_TABSTOP, WS_DISABLED},
      {IDD_TUNING, IDC_TUNE_MOTION, L"Button", BS_PUSHBUTTON, WS_TABSTOP, WS_DISABLED},
      // Enabled by the code while a run goes on, or once there is something to act on.
      {IDD_TUNING, IDC_TUNE_CANCEL, L"Button", BS_PUSHBUTTON, WS_TABSTOP | WS_DISABLED, 0},
      {IDD_TUNING, IDC_TUNE_PROGRESS, PROGRESS_CLASSW, -1, 0, PBS_MARQUEE},
      // Several lines of text, never a tab stop, "&" shown as it is.
      {IDD_TUNING, IDC_TUNE_RESULT, L"Static", SS_LEFT, SS_NOPREFIX, WS_TABSTOP},
      {IDD_TUNING, IDC_TUNE_APPLY, L"Button", BS_PUSHBUTTON, WS_TABSTOP | WS_DISABLED, 0},
      {IDD_TUNING, IDC_TUNE_UNWATCH, L"Button", BS_PUSHBUTTON, WS_TABSTOP | WS_DISABLED, 0},
      {IDD_RECORD_PAGE, IDC_RECORD_ENABLE, L"Button", BS_AUTOCHECKBOX, BS_LEFTTEXT, 0},
      {IDD_RECORD_PAGE, IDC_RECORD_TYPE, L"ComboBox", CBS_DROPDOWNLIST, 0, CBS_SORT},
      {IDD_RECORD_PAGE, IDC_RECORD_PAUSE, L"Button", BS_AUTOCHECKBOX, 0, 0},
      {IDD_SOUND_PAGE, IDC_SOUND_ENABLE, L"Button", BS_AUTOCHECKBOX, BS_LEFTTEXT, 0},
      {IDD_SOUND_PAGE, IDC_SOUND_FILE, L"Edit", -1, ES_READONLY, 0},
      {IDD_SOUND_PAGE, IDC_SOUND_SELECT, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_SOUND_PAGE, IDC_SOUND_PLAY, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_SOUND_PAGE, IDC_SOUND_STOP, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_SOUND_PAGE, IDC_SOUND_REPEAT, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_TASK_PAGE, IDC_TASK_ENABLE, L"Button", BS_AUTOCHECKBOX, BS_LEFTTEXT, 0},
      {IDD_TASK_PAGE, IDC_TASK_FILE, L"Edit", -1, ES_AUTOHSCROLL, ES_READONLY},
      {IDD_TASK_PAGE, IDC_TASK_RUN, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_TASK_PAGE, IDC_TASK_RESTART, L"Button", BS_PUSHBUTTON, BS_ICON, 0},
      {IDD_CAPTION_PAGE, IDC_CAPTION_FORMAT, L"RichEdit20A", -1, ES_AUTOHSCROLL, ES_MULTILINE},
      {IDD_CAPTION_PAGE, IDC_CAPTION_POSITION, L"ComboBox", CBS_DROPDOWNLIST, 0, CBS_SORT},
      {IDD_CAPTION_PAGE, IDC_CAPTION_FONT, L"Button", BS_OWNERDRAW, 0, 0},
      {IDD_CAPTION_PAGE, IDC_CAPTION_COLOR, L"Button", BS_OWNERDRAW, 0, 0},
      {IDD_CAPTION_PAGE, IDC_CAPTION_OPACITY_EDIT, L"Edit", -1, ES_NUMBER, 0},
      {IDD_CAPTION_PAGE, IDC_CAPTION_OPACITY_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_GRID_PAGE, IDC_GRID_COLOR, L"Button", BS_OWNERDRAW, 0, 0},
      {IDD_GRID_PAGE, IDC_GRID_OPACITY_EDIT, L"Edit", -1, ES_NUMBER, 0},
      {IDD_GRID_PAGE, IDC_GRID_OPACITY_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_AREA_COLORS_PAGE, IDC_AREA_INACTIVE_COLOR, L"Button", BS_OWNERDRAW, 0, 0},
      {IDD_AREA_COLORS_PAGE, IDC_AREA_ALARM_COLOR, L"Button", BS_OWNERDRAW, 0, 0},
      {IDD_AREA_COLORS_PAGE, IDC_AREA_INACTIVE_OPACITY_EDIT, L"Edit", -1, ES_NUMBER, 0},
      {IDD_AREA_COLORS_PAGE, IDC_AREA_ALARM_OPACITY_SPIN, UPDOWN_CLASSW, -1, kSpin, UDS_AUTOBUDDY},
      {IDD_PREVIEW_SHOW_PAGE, IDC_SHOW_GRID, L"Button", BS_AUTOCHECKBOX, 0, 0},
      {IDD_RECORD_SHOW_PAGE, IDC_SHOW_TIME, L"Button", BS_AUTOCHECKBOX, 0, 0},
  };
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(testing::Message() << k.dialog << " control " << k.id);
    const Template t = Dialog(k.dialog, kFallbackLanguage);
    const Control* c = t.Find(k.id);
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(SameText(c->cls, k.cls)) << c->cls;
    if (k.type >= 0) {
      const DWORD typeMask = SameText(c->cls, L"Static") ? SS_TYPEMASK : SameText(c->cls, L"ComboBox") ? 0x3 : 0xF;
      EXPECT_EQ(c->style & typeMask, DWORD(k.type));
    }
    EXPECT_EQ(c->style & k.required, k.required);
    EXPECT_EQ(c->style & k.forbidden, 0u);
    EXPECT_NE(c->style & WS_VISIBLE, 0u);
  }
}

TEST_F(DialogResourcesTest, EnglishTextsAsGivenAndRussianTranslated) {
  const std::map<UINT, std::vector<const wchar_t*>> kEnglish = {
      {IDD_SETTINGS,
       {L"Channel", L"Mask", L"Motion detection", L"Sensitivity:", L"Color:", L"R", L"G", L"B", L"Y", L"Changes:",
        L"frames", L"Duration:", L"sec.", L"Event action", L"Visualization ", L"OK", L"About"}},
      {IDD_RECORD_PAGE, {L"On/Off", L"Use the pause"}},
      {IDD_SOUND_PAGE, {L"On/Off", L"File:"}},
      {IDD_TASK_PAGE, {L"On/Off", L"File:"}},
      {IDD_CAPTION_PAGE, {L"Format:", L"Position:", L"Font:", L"Color:", L"Opacity:"}},
      {IDD_GRID_PAGE, {L"Color:", L"Opacity:"}},
      {IDD_AREA_COLORS_PAGE, {L"Not active:", L"Active:", L"Danger:", L"Alarm:"}},
      {IDD_PREVIEW_SHOW_PAGE, {L"Grid", L"Active area", L"Date/Time"}},
      {IDD_RECORD_SHOW_PAGE, {L"Grid", L"Active area", L"Date/Time"}},
      {IDD_TUNING,
       {L"False alarms", L"Light change at:", L"% of cells", L"Hold after a light change:", L"frames",
        L"Mute a cell busy in more than:", L"% of frames", L"An alarm needs at least:", L"cells",
        L"0 % turns a guard off.", L"Intruders", L"Scene memory:", L"seconds", L"View lost after:",
        L"Busy cell margin:", L"levels", L"0 turns an option off.", L"Tuning", L"Show change levels on the video", L"Length of a run:", L"seconds",
        L"Learn quiet scene", L"Learn motion", L"Cancel", L"Apply", L"Unwatch these cells"}},
  };
  for (const auto& [id, texts] : kEnglish) {
    SCOPED_TRACE(id);
    const Template en = Dialog(id, kFallbackLanguage);
    for (const wchar_t* text : texts) EXPECT_TRUE(en.HasText(text)) << text;
    // Every Russian text with letters is Cyrillic, except the colour channels' names.
    const Template ru = Dialog(id, kRussianLanguage);
    for (const Control& c : ru.controls) {
      if (c.text.empty() || c.text == L"OK" || c.text == L"R" || c.text == L"G" || c.text == L"B" || c.text == L"Y" ||
          c.text == L"%")
        continue;
      EXPECT_TRUE(std::any_of(c.text.begin(), c.text.end(), [](wchar_t ch) { return ch >= 0x0410 && ch <= 0x044F; }))
          << "control " << c.id << " is not translated";
    }
  }
  EXPECT_EQ(Dialog(IDD_SETTINGS, kFallbackLanguage).caption, L"QPM_QLVGuard plugin");
  EXPECT_EQ(Dialog(IDD_SETTINGS, kRussianLanguage).caption, L"QPM_QLVGuard \u043F\u043B\u0430\u0433\u0438\u043D");
  EXPECT_EQ(Dialog(IDD_TUNING, kFallbackLanguage).caption, L"Detector tuning");
  // Настройка детектора
  EXPECT_EQ(Dialog(IDD_TUNING, kRussianLanguage).caption,
            L"\u041D\u0430\u0441\u0442\u0440\u043E\u0439\u043A\u0430 "
            L"\u0434\u0435\u0442\u0435\u043A\u0442\u043E\u0440\u0430");
}

TEST_F(DialogResourcesTest, TimeFormatMenuHasTheCodesInOrder) {
  const wchar_t* const kEnglish[TIMEFMT_ITEM_COUNT] = {
      L"%a - Abbreviated weekday name",
      L"%A - Full weekday name",
      L"%b - Abbreviated month name",
      L"%B - Full month name",
      L"%c - Date and time representation appropriate for locale",
      L"%d - Day of month as decimal number (01 \u2013 31)",
      L"%H - Hour in 24-hour format (00 \u2013 23)",
      L"%I - Hour in 12-hour format (01 \u2013 12)",
      L"%j - Day of year as decimal number (001 \u2013 366)",
      L"%m - Month as decimal number (01 \u2013 12)",
      L"%M - Minute as decimal number (00 \u2013 59)",
      L"%p - Current locale\u2019s A.M./P.M. indicator for 12-hour clock",
      L"%S - Second as decimal number (00 \u2013 59)",
      L"%U - Week of year as decimal number, with Sunday as first day of week (00 \u2013 53)",
      L"%w - Weekday as decimal number (0 \u2013 6; Sunday is 0)",
      L"%W - Week of year as decimal number, with Monday as first day of week (00 \u2013 53)",
      L"%x - Date representation for current locale",
      L"%X - Time representation for current locale",
      L"%y - Year without century, as decimal number (00 \u2013 99)",
      L"%Y - Year with century, as decimal number",
      L"%z - Time-zone name or abbreviation",
      L"%Z - Time-zone name or abbreviation",
      L"%% - Percent sign",
  };
  for (LANGID lang : kLanguages) {
    SCOPED_TRACE(lang);
    const void* data = Exact(reinterpret_cast<LPCSTR>(RT_MENU), IDR_TIME_FORMAT_MENU, lang);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(LanguageSelector(module_, lang).LoadMenuTemplate(IDR_TIME_FORMAT_MENU), data);
    HMENU menu = LoadMenuIndirectW(data);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    HMENU codes = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(codes), TIMEFMT_ITEM_COUNT);
    std::vector<UINT> commands;
    for (int i = 0; i < TIMEFMT_ITEM_COUNT; ++i) {
      wchar_t text[128] = {};
      GetMenuStringW(codes, i, text, 128, MF_BYPOSITION);
      const std::wstring english = kEnglish[i];
      if (lang == kFallbackLanguage) {
        EXPECT_EQ(text, english);
      } else {
        EXPECT_EQ(std::wstring(text).substr(0, 4), english.substr(0, 4));  // the code, then " - "
        EXPECT_NE(std::wstring(text), english);
      }
      const UINT command = GetMenuItemID(codes, i);
      EXPECT_GE(command, 32789u);
      EXPECT_LE(command, 32817u);
      commands.push_back(command);
    }
    std::sort(commands.begin(), commands.end());
    EXPECT_EQ(std::unique(commands.begin(), commands.end()), commands.end());
    DestroyMenu(menu);
  }
}

// Each list: per item WORD control id, WORD 0x0403, DWORD byte length, the text
// with its NUL; a WORD 0 ends it exactly at the end of the resource.
std::vector<std::pair<int, std::string>> ParseComboLists(const BYTE* p, DWORD size, bool* wellFormed) {
  std::vector<std::pair<int, std::string>> items;
  size_t at = 0;
  *wellFormed = false;
  while (at + 2 <= size) {
    WORD id, message;
    DWORD length;
    std::memcpy(&id, p + at, 2);
    if (id == 0) {
      *wellFormed = at + 2 == size;
      break;
    }
    if (at + 8 > size) break;
    std::memcpy(&message, p + at + 2, 2);
    std::memcpy(&length, p + at + 4, 4);
    if (message != DLGINIT_ADD_STRING || length == 0 || at + 8 + length > size || p[at + 8 + length - 1] != 0) break;
    items.emplace_back(id, std::string(reinterpret_cast<const char*>(p + at + 8), length - 1));
    at += 8 + length;
  }
  return items;
}

TEST_F(DialogResourcesTest, ComboListsOfCaptionAndRecordPages) {
  using Items = std::vector<std::pair<int, std::string>>;
  const int pos = IDC_CAPTION_POSITION, type = IDC_RECORD_TYPE;
  const std::map<std::pair<UINT, LANGID>, Items> kLists = {
      {{IDD_CAPTION_PAGE, kFallbackLanguage},
       {{pos, "Left/Top"}, {pos, "Center/Top"}, {pos, "Right/Top"}, {pos, "Left/Bottom"}, {pos, "Center/Bottom"},
        {pos, "Right/Bottom"}}},
      {{IDD_RECORD_PAGE, kFallbackLanguage}, {{type, "Snapshot"}, {type, "Snapshot sequences"}, {type, "Video recording"}}},
      // Code page 1251: Лев/Верх, Центр/Верх, Прав/Верх, Лев/Низ, Центр/Низ, Прав/Низ.
      {{IDD_CAPTION_PAGE, kRussianLanguage},
       {{pos, "\xCB\xE5\xE2/\xC2\xE5\xF0\xF5"},
        {pos, "\xD6\xE5\xED\xF2\xF0/\xC2\xE5\xF0\xF5"},
        {pos, "\xCF\xF0\xE0\xE2/\xC2\xE5\xF0\xF5"},
        {pos, "\xCB\xE5\xE2/\xCD\xE8\xE7"},
        {pos, "\xD6\xE5\xED\xF2\xF0/\xCD\xE8\xE7"},
        {pos, "\xCF\xF0\xE0\xE2/\xCD\xE8\xE7"}}},
      // Снимок, Серия снимков, Запись видео.
      {{IDD_RECORD_PAGE, kRussianLanguage},
       {{type, "\xD1\xED\xE8\xEC\xEE\xEA"},
        {type, "\xD1\xE5\xF0\xE8\xFF \xF1\xED\xE8\xEC\xEA\xEE\xE2"},
        {type, "\xC7\xE0\xEF\xE8\xF1\xFC \xE2\xE8\xE4\xE5\xEE"}}},
  };
  for (const auto& [key, expected] : kLists) {
    SCOPED_TRACE(testing::Message() << key.first << " in " << key.second);
    DWORD size = 0;
    const BYTE* data = static_cast<const BYTE*>(Exact(MAKEINTRESOURCEA(RES_TYPE_DLGINIT), key.first, key.second, &size));
    ASSERT_NE(data, nullptr);
    bool wellFormed = false;
    EXPECT_EQ(ParseComboLists(data, size, &wellFormed), expected);
    EXPECT_TRUE(wellFormed);
    DWORD viaSelector = 0;
    EXPECT_EQ(LanguageSelector(module_, key.second).LoadResourceData(MAKEINTRESOURCEA(RES_TYPE_DLGINIT), key.first, &viaSelector),
              data);
  }
  // No other template carries a list.
  for (UINT id : kTemplates) {
    if (id != IDD_CAPTION_PAGE && id != IDD_RECORD_PAGE) {
      EXPECT_EQ(Exact(MAKEINTRESOURCEA(RES_TYPE_DLGINIT), id, kFallbackLanguage), nullptr) << id;
    }
  }
}

TEST_F(DialogResourcesTest, IconsHoldBothSizesAndStateBitmapsAreMagentaKeyed) {
  for (UINT id : {IDI_CHANNEL_OTHER, IDI_CHANNEL_CURRENT, IDI_MASK_SELECT_ALL, IDI_OPEN, IDI_SAVE, IDI_SAVE_AS,
                  IDI_MASK_CLEAR, IDI_MASK_INVERT, IDI_REPEAT_ON, IDI_REPEAT_OFF, IDI_PLAY, IDI_STOP, IDI_RESTART_ON,
                  IDI_RESTART_OFF, IDI_TUNING}) {
    SCOPED_TRACE(id);
    HRSRC group = FindResourceA(module_, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(module_, group)));
    const DWORD size = SizeofResource(module_, group);
    ASSERT_GE(size, 6u);
    WORD count;
    std::memcpy(&count, dir + 4, 2);
    ASSERT_EQ(size, 6u + 14u * count);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
      const BYTE* entry = dir + 6 + 14 * i;
      WORD image;
      std::memcpy(&image, entry + 12, 2);
      EXPECT_EQ(entry[0], entry[1]);
      sizes.push_back(entry[0]);
      EXPECT_NE(FindResourceA(module_, MAKEINTRESOURCEA(image), reinterpret_cast<LPCSTR>(RT_ICON)), nullptr);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32}));
  }
  struct Picture {
    UINT id;
    int size;
  };
  for (const Picture& b : {Picture{IDB_STATE_OFF, 16}, Picture{IDB_STATE_ON, 16}, Picture{IDB_ABOUT, 0}}) {
    SCOPED_TRACE(b.id);
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(b.id), reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(found, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    BITMAPINFOHEADER h;
    ASSERT_GE(SizeofResource(module_, found), sizeof h + 256 * 4);
    std::memcpy(&h, data, sizeof h);
    EXPECT_EQ(h.biBitCount, 8);
    if (b.size == 0) continue;
    EXPECT_EQ(h.biWidth, b.size);
    EXPECT_EQ(h.biHeight, b.size);
    ASSERT_EQ(SizeofResource(module_, found), sizeof h + 256 * 4 + 16 * 16);
    // The corners are the transparent colour; the centre is not.
    const BYTE* palette = data + sizeof h;
    const BYTE* pixels = palette + 256 * 4;
    auto colour = [&](int x, int y) {  // rows bottom-up; palette entries B, G, R, 0
      const BYTE* q = palette + 4 * pixels[(15 - y) * 16 + x];
      return RGB(q[2], q[1], q[0]);
    };
    for (int corner : {0, 15}) {
      EXPECT_EQ(colour(corner, 0), RGB(255, 0, 255));
      EXPECT_EQ(colour(corner, 15), RGB(255, 0, 255));
    }
    EXPECT_NE(colour(8, 8), RGB(255, 0, 255));
  }
  // Green for on, grey for off, at the same place.
  HRSRC off = FindResourceA(module_, MAKEINTRESOURCEA(IDB_STATE_OFF), reinterpret_cast<LPCSTR>(RT_BITMAP));
  HRSRC on = FindResourceA(module_, MAKEINTRESOURCEA(IDB_STATE_ON), reinterpret_cast<LPCSTR>(RT_BITMAP));
  ASSERT_TRUE(off && on);
  EXPECT_NE(std::memcmp(LockResource(LoadResource(module_, off)), LockResource(LoadResource(module_, on)),
                        SizeofResource(module_, on)),
            0);
}

}  // namespace
}  // namespace qlv
