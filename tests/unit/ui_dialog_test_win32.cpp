// The dialog layer on real windows: binding, dispatch, the exception barrier,
// the modal state, the validated field with its up-down, and the swatch.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/module_state_win32.h"
#include "ui/controls_win32.h"
#include "ui/dialog_win32.h"

namespace qlv {
namespace {

constexpr int kEdit = 100;
constexpr int kSpin = 101;
constexpr int kButton = 102;

// A DLGTEMPLATE in memory: an edit, its up-down and a push button.
class TemplateBuilder {
 public:
  TemplateBuilder(DWORD style, const wchar_t* title) {
    Dword(style);
    Dword(0);
    countAt_ = words_.size();
    Word(0);
    Word(10); Word(10); Word(160); Word(60);
    Word(0);  // no menu
    Word(0);  // standard class
    Text(title);
    Word(8);
    Text(L"MS Sans Serif");
  }
  void Item(DWORD style, int id, const wchar_t* cls, WORD atom, const wchar_t* text, short x, short y, short cx, short cy) {
    if (words_.size() % 2) Word(0);  // DWORD alignment
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(x); Word(y); Word(cx); Word(cy);
    Word(static_cast<WORD>(id));
    if (cls) {
      Text(cls);
    } else {
      Word(0xFFFF);
      Word(atom);
    }
    Text(text);
    Word(0);
    ++words_[countAt_];
  }
  const void* data() const { return words_.data(); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) { Word(LOWORD(d)); Word(HIWORD(d)); }
  void Text(const wchar_t* t) {
    for (; *t; ++t) Word(static_cast<WORD>(*t));
    Word(0);
  }
  std::vector<WORD> words_;
  size_t countAt_ = 0;
};

TemplateBuilder FieldTemplate() {
  TemplateBuilder t(DS_SETFONT | WS_POPUP | WS_CAPTION, L"Test");
  t.Item(ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER, kEdit, nullptr, 0x0081, L"", 10, 10, 40, 12);
  t.Item(UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, kSpin, UPDOWN_CLASSW, 0, L"", 50, 10, 10, 12);
  t.Item(BS_PUSHBUTTON, kButton, nullptr, 0x0080, L"Go", 10, 30, 40, 14);
  return t;
}

void Pump() {
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
}

class TestDialog : public Dialog {
 public:
  HWND hwndAtInit = nullptr;
  std::vector<std::pair<WORD, WORD>> commands;
  int destroys = 0, finalDestroys = 0;
  HWND hwndAtFinal = reinterpret_cast<HWND>(1);
  HMODULE moduleInHandler = nullptr;
  ValidatedNumberEdit* field = nullptr;
  int refreshes = 0;

 protected:
  BOOL OnInitDialog() override {
    hwndAtInit = hwnd();
    return TRUE;
  }
  bool OnCommand(WORD id, WORD code, HWND) override {
    commands.push_back({id, code});
    if (field && id == kEdit && code == EN_CHANGE) {
      field->OnTextChanged();
      return true;
    }
    return id == kButton;
  }
  bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
    moduleInHandler = PluginModule();
    if (msg == WM_APP) {
      *result = 1234;
      return true;
    }
    if (msg == WM_APP + 1) throw std::runtime_error("handler failed");
    if (msg == WM_REFRESH_CONTROLS) {
      ++refreshes;
      if (field) field->ShowStored();
      return true;
    }
    return false;
  }
  void OnDestroy() override { ++destroys; }
  void OnFinalDestroy() override {
    ++finalDestroys;
    hwndAtFinal = hwnd();
  }
};

TEST(DialogLayer, BindsItsWindowDispatchesAndLetsNoExceptionOut) {
  const TemplateBuilder t = FieldTemplate();
  TestDialog d;
  ASSERT_NE(d.CreateModeless(t.data(), nullptr), nullptr);
  EXPECT_EQ(d.hwndAtInit, d.hwnd());
  EXPECT_EQ(d.CreateModeless(t.data(), nullptr), d.hwnd());  // one window per object

  SendMessageW(d.hwnd(), WM_COMMAND, MAKEWPARAM(kButton, BN_CLICKED), reinterpret_cast<LPARAM>(d.Item(kButton)));
  ASSERT_FALSE(d.commands.empty());
  EXPECT_EQ(d.commands.back(), std::make_pair(WORD(kButton), WORD(BN_CLICKED)));

  // Enter and Escape leave a modeless dialog open.
  SendMessageW(d.hwnd(), WM_COMMAND, IDOK, 0);
  SendMessageW(d.hwnd(), WM_COMMAND, IDCANCEL, 0);
  Pump();
  EXPECT_TRUE(IsWindow(d.hwnd()));

  // A handled message answers through the dialog result; the module is the one recorded.
  SetPluginModule(reinterpret_cast<HMODULE>(0x10000000));
  EXPECT_EQ(SendMessageW(d.hwnd(), WM_APP, 0, 0), 1234);
  EXPECT_EQ(d.moduleInHandler, reinterpret_cast<HMODULE>(0x10000000));
  EXPECT_EQ(SendMessageW(d.hwnd(), WM_APP + 1, 0, 0), 0);  // thrown inside, stopped at the procedure
  SetPluginModule(nullptr);
  // Unrecorded, the module is the image of this code; here that is the test program.
  EXPECT_EQ(PluginModule(), GetModuleHandleA(nullptr));

  HWND w = d.hwnd();
  d.Destroy();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(d.hwnd(), nullptr);
  EXPECT_EQ(d.destroys, 1);
  EXPECT_EQ(d.finalDestroys, 1);
  EXPECT_EQ(d.hwndAtFinal, nullptr);
  d.Destroy();
  EXPECT_EQ(d.destroys, 1);

  // The same object makes a new window.
  ASSERT_NE(d.CreateModeless(t.data(), nullptr), nullptr);
  EXPECT_NE(d.hwnd(), nullptr);
  d.Destroy();
}

TEST(DialogLayer, ModalStateDisablesOnlyTheDialogsOwnWindow) {
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  const TemplateBuilder t = FieldTemplate();
  TestDialog d;
  ASSERT_NE(d.CreateModeless(t.data(), host), nullptr);
  d.BeginModalState();
  EXPECT_FALSE(IsWindowEnabled(d.hwnd()));
  EXPECT_TRUE(IsWindowEnabled(host));
  d.EndModalState();
  EXPECT_TRUE(IsWindowEnabled(d.hwnd()));
  d.Destroy();
  DestroyWindow(host);
}

// Counts the message boxes of this process, other than `skip`, and closes each.
class MessageBoxCounter {
 public:
  explicit MessageBoxCounter(HWND skip) : skip_(skip) {
    thread_ = CreateThread(nullptr, 0, &MessageBoxCounter::Run, this, 0, nullptr);
  }
  ~MessageBoxCounter() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  int count() const { return count_.load(); }

 private:
  static DWORD WINAPI Run(void* p) {
    auto* self = static_cast<MessageBoxCounter*>(p);
    while (!self->stop_) {
      EnumWindows(&MessageBoxCounter::Visit, reinterpret_cast<LPARAM>(self));
      Sleep(20);
    }
    return 0;
  }
  static BOOL CALLBACK Visit(HWND w, LPARAM p) {
    auto* self = reinterpret_cast<MessageBoxCounter*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (pid != GetCurrentProcessId() || w == self->skip_ || std::wstring(cls) != L"#32770" || !IsWindowVisible(w))
      return TRUE;
    if (self->seen_.insert(w).second) ++self->count_;
    PostMessageW(w, WM_COMMAND, IDOK, 0);
    return TRUE;
  }
  HWND skip_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::set<HWND> seen_;
};

TEST(ValidatedNumberEditWin32, RealEditAndUpDownStoreGoodTextAndRefuseBadTextOnce) {
  const TemplateBuilder t = FieldTemplate();
  TestDialog d;
  int32_t stored = 10;
  ValidatedNumberEdit field({kEdit, kSpin, {1, 25}, 2, 32, true, Resync::Direct}, [&] { return stored; },
                            [&](int32_t v) { stored = v; });
  d.field = &field;
  ASSERT_NE(d.CreateModeless(t.data(), nullptr), nullptr);
  field.Attach(d);
  field.ShowStored();
  HWND edit = d.Item(kEdit);
  EXPECT_EQ(WindowTextOf(edit), L"10");
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 2);

  SetWindowTextW(edit, L"07");
  EXPECT_EQ(stored, 7);
  EXPECT_EQ(WindowTextOf(edit), L"7");
  EXPECT_EQ(SendMessageW(d.Item(kSpin), UDM_GETPOS32, 0, 0), 7);

  // The up-down stops at the range's ends.
  SendMessageW(d.Item(kSpin), UDM_SETPOS32, 0, 99);
  EXPECT_EQ(SendMessageW(d.Item(kSpin), UDM_GETPOS32, 0, 0), 25);
  EXPECT_EQ(stored, 25);

  {
    MessageBoxCounter boxes(d.hwnd());
    int expected = 0;
    for (const std::wstring& bad : {std::wstring(L"0"), std::wstring(L""), std::wstring(1000, L'7'),
                                    std::wstring(L"4294967297"), std::wstring(L"x1")}) {
      SetWindowTextW(edit, bad.c_str());
      for (int i = 0; i < 10; ++i) {  // no late second box
        Pump();
        Sleep(10);
      }
      ++expected;
      EXPECT_EQ(boxes.count(), expected) << bad.size();
      EXPECT_EQ(stored, 25);
      EXPECT_EQ(WindowTextOf(edit), L"25");
    }
  }
  EXPECT_EQ(field.refusals(), 5);
  d.Destroy();
}

// The tuning window's cell field: a value beyond 16 bits shown whole, and a range
// changed after the binding, for the checks, the up-down and the message alike.
TEST(ValidatedNumberEditWin32, WholeValueAndARangeChangedOnceBound) {
  const TemplateBuilder t = FieldTemplate();
  TestDialog d;
  int32_t stored = 40000;
  ValidatedNumberEdit field({kEdit, kSpin, {1, 65536}, 5, 52, true, Resync::Direct, true}, [&] { return stored; },
                            [&](int32_t v) { stored = v; });
  d.field = &field;
  ASSERT_NE(d.CreateModeless(t.data(), nullptr), nullptr);
  field.Attach(d);
  field.ShowStored();
  HWND edit = d.Item(kEdit);
  HWND spin = d.Item(kSpin);
  EXPECT_EQ(WindowTextOf(edit), L"40000") << "not its low 16 bits (-25536)";
  EXPECT_EQ(SendMessageW(spin, UDM_GETPOS32, 0, 0), 40000);
  SetWindowTextW(edit, L"65536");
  EXPECT_EQ(stored, 65536);

  field.SetRange({1, 432});
  EXPECT_EQ(stored, 65536) << "a new range stores nothing";
  EXPECT_EQ(field.range().max, 432);
  d.field = nullptr;  // the owner's reload is no typing: the tuning window ignores its changes
  field.ShowStored();
  d.field = &field;
  EXPECT_EQ(WindowTextOf(edit), L"65536") << "what is stored, though beyond the range";
  int32_t low = 0, high = 0;
  SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, 1);
  EXPECT_EQ(high, 432);
  SetWindowTextW(edit, L"432");
  EXPECT_EQ(stored, 432);
  {
    MessageBoxCounter boxes(d.hwnd());
    SetWindowTextW(edit, L"433");
    for (int i = 0; i < 10; ++i) {
      Pump();
      Sleep(10);
    }
    EXPECT_EQ(boxes.count(), 1);
  }
  EXPECT_EQ(stored, 432);
  EXPECT_EQ(WindowTextOf(edit), L"432");
  EXPECT_EQ(field.refusals(), 1);
  d.Destroy();
}

TEST(ValidatedNumberEditWin32, PageRefreshResyncReloadsThePageOnceAndSettles) {
  const TemplateBuilder t = FieldTemplate();
  TestDialog page;
  int32_t stored = 30;
  ValidatedNumberEdit field({kEdit, kSpin, {0, 100}, 3, 34, false, Resync::PageRefresh}, [&] { return stored; },
                            [&](int32_t v) { stored = v; });
  page.field = &field;
  ASSERT_NE(page.CreateModeless(t.data(), nullptr), nullptr);
  field.Attach(page);
  field.ShowStored();
  HWND edit = page.Item(kEdit);
  EXPECT_EQ(WindowTextOf(edit), L"30");
  for (int i = 0; i < 20; ++i) Pump();
  const int before = page.refreshes;

  SetWindowTextW(edit, L"050");
  EXPECT_EQ(stored, 50);
  for (int i = 0; i < 20; ++i) Pump();
  EXPECT_EQ(WindowTextOf(edit), L"50");
  const int afterGood = page.refreshes;
  // One reload; its rewrite of "050" as "50" asks for one more, then it settles.
  EXPECT_EQ(afterGood - before, 2);

  {
    MessageBoxCounter boxes(page.hwnd());
    SetWindowTextW(edit, L"101");
    for (int i = 0; i < 20; ++i) {
      Pump();
      Sleep(10);
    }
    EXPECT_EQ(boxes.count(), 1);
  }
  EXPECT_EQ(stored, 50);
  EXPECT_EQ(WindowTextOf(edit), L"50");
  EXPECT_LE(page.refreshes - afterGood, 2);
  page.Destroy();
}

TEST(ColorSwatchButtonWin32, FillsWithTheSettingsColourOrAGreyHatchWhenDisabled) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 40;
  bi.bmiHeader.biHeight = -20;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  const uint32_t* px = static_cast<const uint32_t*>(bits);
  auto at = [&](int x, int y) { return px[y * 40 + x] & 0xFFFFFF; };  // 0x00RRGGBB

  DRAWITEMSTRUCT item = {};
  item.CtlType = ODT_BUTTON;
  item.hDC = dc;
  item.rcItem = {0, 0, 40, 20};
  ColorSwatchButton::Draw(item, 0x0000FF);  // AlarmColor default: red
  GdiFlush();
  EXPECT_EQ(at(20, 10), 0xFF0000u);
  EXPECT_NE(at(0, 0), 0xFF0000u);  // the edge
  ColorSwatchButton::Draw(item, 0xFF0000);  // DangerColor default: blue
  GdiFlush();
  EXPECT_EQ(at(20, 10), 0x0000FFu);

  item.itemState = ODS_DISABLED;
  ColorSwatchButton::Draw(item, 0x0000FF);
  GdiFlush();
  int grey = 0, other = 0, colour = 0;
  for (int y = 4; y < 16; ++y) {
    for (int x = 4; x < 36; ++x) {
      const uint32_t c = at(x, y);
      if (c == 0x808080u) ++grey;
      else if (c == 0xFF0000u) ++colour;
      else ++other;
    }
  }
  EXPECT_GT(grey, 0);
  EXPECT_GT(other, 0);
  EXPECT_EQ(colour, 0);

  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
}

}  // namespace
}  // namespace qlv
