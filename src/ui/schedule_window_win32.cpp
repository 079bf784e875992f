#include "ui/schedule_window_win32.h"

#include <windowsx.h>

#include <ctime>

#include "res/resource.h"
#include "ui/dialog_position.h"

namespace qlv {

namespace {

constexpr UINT_PTR kNowTimer = 1;
constexpr UINT kNowPeriodMs = 1000;
// Grey off, the sun's yellow by day, a night blue; a red frame marks the slot of now.
constexpr COLORREF kOffColor = RGB(0xA0, 0xA0, 0xA0);
constexpr COLORREF kDayColor = RGB(0xFF, 0xDC, 0x6E);
constexpr COLORREF kNightColor = RGB(0x34, 0x48, 0xA8);
constexpr COLORREF kSlotLine = RGB(0xE4, 0xE4, 0xE4);
constexpr COLORREF kHourLine = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kNowFrame = RGB(0xE0, 0x10, 0x10);

COLORREF ModeColor(GuardMode mode) {
  return mode == GuardMode::Off ? kOffColor : mode == GuardMode::Night ? kNightColor : kDayColor;
}

void Fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH b = CreateSolidBrush(color);
  FillRect(dc, &r, b);
  DeleteObject(b);
}

}  // namespace

ScheduleWindow::ScheduleWindow(SettingsAccess& settings, ScheduleCommands& commands)
    : settings_(settings), commands_(commands) {
  for (size_t i = 0; i < kNightSettingsCount; ++i) {
    const NightField& f = kNightFields[i];
    const ValidatedNumberEdit::Config config{f.editId, f.spinId, NightRange(i, 0),
                                             static_cast<int>(std::to_wstring(kNightSettings[i].max).size()),
                                             f.messageId, true, Resync::Direct, true};
    // An unset value shows the day's, which the field then holds greyed.
    fields_.push_back(std::make_unique<ValidatedNumberEdit>(
        config,
        [this, i] {
          const uint32_t night = commands_.Snapshot().night[i];
          return static_cast<int32_t>(night == kAsByDay ? kNightFields[i].dayValue(settings_) : night);
        },
        [this, i](int32_t v) { commands_.SetNight(i, static_cast<uint32_t>(v)); }));
  }
}

bool ScheduleWindow::Open(const LanguageSelector& language, HWND owner) {
  if (HWND w = hwnd()) {
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(w);
    return true;
  }
  if (!CreateModeless(language, IDD_SCHEDULE, owner)) return false;
  PlaceBeside(owner);
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

void ScheduleWindow::PostReload() {
  if (HWND w = hwnd()) PostMessageW(w, WM_REFRESH_CONTROLS, 0, 0);
}

void ScheduleWindow::PlaceBeside(HWND owner) {
  RECT o = {}, d = {};
  if (!GetWindowRect(owner, &o) || !GetWindowRect(hwnd(), &d)) return;
  const ScreenPoint p = qlv::PlaceBeside(ScreenRect{o.left, o.top, o.right, o.bottom}, d.right - d.left,
                                         d.bottom - d.top, GetSystemMetrics(SM_CXSCREEN),
                                         GetSystemMetrics(SM_CYSCREEN));
  SetWindowPos(hwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL ScheduleWindow::OnInitDialog() {
  for (auto& f : fields_) f->Attach(*this);
  // Night is what a schedule is mostly painted with.
  CheckRadioButton(hwnd(), IDC_SCHEDULE_BRUSH_OFF, IDC_SCHEDULE_BRUSH_NIGHT, IDC_SCHEDULE_BRUSH_NIGHT);
  Reload();
  SetTimer(hwnd(), kNowTimer, kNowPeriodMs, nullptr);
  return TRUE;
}

void ScheduleWindow::OnDestroy() {
  KillTimer(hwnd(), kNowTimer);
  if (dragging_ && GetCapture() == hwnd()) ReleaseCapture();
  dragging_ = false;
}

void ScheduleWindow::Reload() {
  // Rewriting the fields is no typing.
  shown_ = false;
  const ScheduleView view = commands_.Snapshot();
  lines_ = view.lines;
  const int32_t cells = settings_.CellCount();
  for (size_t i = 0; i < fields_.size(); ++i) {
    const bool asByDay = view.night[i] == kAsByDay;
    CheckDlgButton(hwnd(), kNightFields[i].checkId, asByDay ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(Item(kNightFields[i].editId), !asByDay);
    EnableWindow(Item(kNightFields[i].spinId), !asByDay);
    fields_[i]->SetRange(NightRange(i, cells));
    fields_[i]->ShowStored();
  }
  shown_ = true;
  InvalidateRect(Item(IDC_SCHEDULE_GRID), nullptr, FALSE);
  ShowNow();
}

GuardMode ScheduleWindow::Brush() const {
  if (IsDlgButtonChecked(hwnd(), IDC_SCHEDULE_BRUSH_OFF) == BST_CHECKED) return GuardMode::Off;
  if (IsDlgButtonChecked(hwnd(), IDC_SCHEDULE_BRUSH_DAY) == BST_CHECKED) return GuardMode::Day;
  return GuardMode::Night;
}

void ScheduleWindow::SetLines(const ScheduleLines& lines) {
  if (lines == lines_) return;
  lines_ = lines;
  commands_.SetLines(lines);
  InvalidateRect(Item(IDC_SCHEDULE_GRID), nullptr, FALSE);
  ShowNow();
}

void ScheduleWindow::OnAsByDay(size_t index) {
  const bool asByDay = IsDlgButtonChecked(hwnd(), kNightFields[index].checkId) == BST_CHECKED;
  const uint32_t day = kNightFields[index].dayValue(settings_);
  commands_.SetNight(index, asByDay ? kAsByDay : NightStart(index, day, settings_.CellCount()));
  shown_ = false;
  EnableWindow(Item(kNightFields[index].editId), !asByDay);
  EnableWindow(Item(kNightFields[index].spinId), !asByDay);
  fields_[index]->ShowStored();
  shown_ = true;
}

void ScheduleWindow::ShowNow() {
  std::tm local = {};
  if (!LocalTimeOf(static_cast<int64_t>(std::time(nullptr)), &local)) return;
  const NowState now = NowStateAt(lines_, local);
  const LanguageSelector* lang = language();
  const std::wstring text =
      NowText(now, [lang](uint32_t id) { return lang ? lang->LoadWideString(id) : std::wstring(); });
  if (WindowTextOf(Item(IDC_SCHEDULE_NOW)) != text) SetDlgItemTextW(hwnd(), IDC_SCHEDULE_NOW, text.c_str());
  const int32_t slot = ScheduleDayOf(local) * kScheduleSlots + ScheduleSlotOf(local);
  if (slot != nowSlot_) {
    nowSlot_ = slot;
    InvalidateRect(Item(IDC_SCHEDULE_GRID), nullptr, FALSE);
  }
}

void ScheduleWindow::ShowDayValues() {
  // The day's values change in the settings dialog and the tuning window: the greyed
  // fields follow them.
  shown_ = false;
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (IsWindowEnabled(Item(kNightFields[i].editId))) continue;
    const std::wstring day = std::to_wstring(kNightFields[i].dayValue(settings_));
    if (WindowTextOf(Item(kNightFields[i].editId)) != day) fields_[i]->ShowStored();
  }
  shown_ = true;
}

GridLayout ScheduleWindow::Layout() const {
  RECT r = {};
  GetClientRect(Item(IDC_SCHEDULE_GRID), &r);
  // The labels' room from the dialog font: the widest short day name, one line of digits.
  HDC dc = GetDC(hwnd());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)));
  int32_t labelWidth = 0;
  SIZE size = {};
  for (uint32_t d = 0; d < static_cast<uint32_t>(kScheduleDays); ++d) {
    const std::wstring name = language() ? language()->LoadWideString(IDS_SCHEDULE_MON + d) : std::wstring();
    if (GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size) && size.cx > labelWidth)
      labelWidth = size.cx;
  }
  GetTextExtentPoint32W(dc, L"00", 2, &size);
  SelectObject(dc, old);
  ReleaseDC(hwnd(), dc);
  return FitGrid(r.right, r.bottom, labelWidth + 6, size.cy + 2);
}

void ScheduleWindow::DrawGrid(const DRAWITEMSTRUCT& item) {
  const RECT all = item.rcItem;
  const int w = all.right - all.left, h = all.bottom - all.top;
  // Drawn off screen and copied at once, so that a drag does not flicker.
  HDC dc = CreateCompatibleDC(item.hDC);
  HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, w, h);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0)));
  Fill(dc, RECT{0, 0, w, h}, GetSysColor(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const GridLayout g = Layout();

  for (int32_t d = 0; d < kScheduleDays; ++d) {
    const std::wstring name =
        language() ? language()->LoadWideString(IDS_SCHEDULE_MON + static_cast<uint32_t>(d)) : std::wstring();
    RECT r = {0, g.top + d * g.cellHeight, g.left - 4, g.top + (d + 1) * g.cellHeight};
    DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    for (int32_t s = 0; s < kScheduleSlots; ++s) {
      const RECT cell = {g.left + s * g.cellWidth, g.top + d * g.cellHeight, g.left + (s + 1) * g.cellWidth,
                         g.top + (d + 1) * g.cellHeight};
      Fill(dc, cell, ModeColor(ModeAt(lines_, d, s)));
    }
  }
  // Thin light lines between half hours, dark ones at the hours and around the days.
  for (int32_t s = 0; s <= kScheduleSlots; ++s) {
    const int x = g.left + s * g.cellWidth;
    Fill(dc, RECT{x, g.top, x + 1, g.bottom() + 1}, s % 2 == 0 ? kHourLine : kSlotLine);
  }
  for (int32_t d = 0; d <= kScheduleDays; ++d) {
    const int y = g.top + d * g.cellHeight;
    Fill(dc, RECT{g.left, y, g.right() + 1, y + 1}, kHourLine);
  }
  for (int32_t hour = 0; hour < kScheduleSlots / 2; ++hour) {
    const std::wstring label = std::to_wstring(hour);
    RECT r = {g.left + hour * 2 * g.cellWidth, 0, g.left + (hour + 1) * 2 * g.cellWidth, g.top - 1};
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &r, DT_SINGLELINE | DT_BOTTOM | DT_CENTER);
  }
  if (nowSlot_ >= 0) {
    const int x = g.left + nowSlot_ % kScheduleSlots * g.cellWidth, y = g.top + nowSlot_ / kScheduleSlots * g.cellHeight;
    HBRUSH frame = CreateSolidBrush(kNowFrame);
    const RECT r = {x, y, x + g.cellWidth + 1, y + g.cellHeight + 1};
    FrameRect(dc, &r, frame);
    DeleteObject(frame);
  }
  BitBlt(item.hDC, all.left, all.top, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

void ScheduleWindow::DrawSwatch(const DRAWITEMSTRUCT& item, GuardMode mode) {
  RECT r = item.rcItem;
  Fill(item.hDC, r, ModeColor(mode));
  FrameRect(item.hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void ScheduleWindow::OnMouse(UINT msg, LPARAM lParam) {
  HWND grid = Item(IDC_SCHEDULE_GRID);
  POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MapWindowPoints(hwnd(), grid, &p, 1);
  const GridLayout g = Layout();
  if (msg == WM_LBUTTONDOWN) {
    if (!InsideGrid(g, p.x, p.y)) return;
    dragging_ = true;
    dragBase_ = lines_;
    dragFrom_ = SlotAt(g, p.x, p.y);
    SetCapture(hwnd());
  }
  if (!dragging_) return;
  SetLines(PaintRect(dragBase_, dragFrom_, SlotAt(g, p.x, p.y), Brush()));
  if (msg == WM_LBUTTONUP) {
    dragging_ = false;
    if (GetCapture() == hwnd()) ReleaseCapture();
  }
}

bool ScheduleWindow::OnCommand(WORD id, WORD code, HWND) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_SCHEDULE_ALL_ON:
        SetLines(AllOn());
        return true;
      case IDC_SCHEDULE_OFF_TO_ON:
        SetLines(OffSlotsOn(lines_));
        return true;
      case IDC_SCHEDULE_BRUSH_OFF:
      case IDC_SCHEDULE_BRUSH_DAY:
      case IDC_SCHEDULE_BRUSH_NIGHT:
        return true;
      default:
        break;
    }
    for (size_t i = 0; i < kNightSettingsCount; ++i) {
      if (kNightFields[i].checkId != id) continue;
      OnAsByDay(i);
      return true;
    }
    return false;
  }
  if (code != EN_CHANGE) return false;
  for (auto& f : fields_) {
    if (f->editId() != id) continue;
    if (shown_ && IsWindowEnabled(Item(id))) f->OnTextChanged();
    return true;
  }
  return false;
}

bool ScheduleWindow::OnRefresh(uint32_t) {
  Reload();
  return true;
}

bool ScheduleWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == IDC_SCHEDULE_GRID) DrawGrid(item);
      else if (item.CtlID == IDC_SCHEDULE_SWATCH_OFF) DrawSwatch(item, GuardMode::Off);
      else if (item.CtlID == IDC_SCHEDULE_SWATCH_DAY) DrawSwatch(item, GuardMode::Day);
      else if (item.CtlID == IDC_SCHEDULE_SWATCH_NIGHT) DrawSwatch(item, GuardMode::Night);
      else return false;
      *result = TRUE;
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      OnMouse(msg, lParam);
      *result = 0;
      return true;
    case WM_CAPTURECHANGED:
      // Another window took the mouse: what is painted stays, the drag ends.
      if (reinterpret_cast<HWND>(lParam) != hwnd()) dragging_ = false;
      return false;
    case WM_TIMER:
      if (wParam != kNowTimer) return false;
      ShowNow();
      ShowDayValues();
      *result = 0;
      return true;
    case WM_CLOSE:
      Destroy();
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace qlv
