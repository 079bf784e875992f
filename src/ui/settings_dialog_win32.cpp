#include "ui/settings_dialog_win32.h"

#include "platform/module_state_win32.h"
#include "res/resource.h"
#include "ui/dialog_position.h"

namespace qlv {

namespace {

constexpr COLORREF kTransparentMagenta = RGB(0xFF, 0x00, 0xFF);
constexpr DWORD kFlashPauseMs = 60;
constexpr UINT kCrossThreadCloseTimeoutMs = 5000;

// Controls, tooltips and templates need the common controls and the rich edit
// classes registered before the first template is read.
void RegisterControlClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  LoadLibraryA("riched20.dll");
  LoadLibraryA("riched32.dll");
}

struct MaskButton {
  int control;
  UINT icon;
  UINT tip;
};
const MaskButton kMaskButtons[] = {
    {IDC_MASK_SELECT_ALL, IDI_MASK_SELECT_ALL, IDS_TIP_MASK_SELECT_ALL},
    {IDC_MASK_CLEAR, IDI_MASK_CLEAR, IDS_TIP_MASK_CLEAR},
    {IDC_MASK_INVERT, IDI_MASK_INVERT, IDS_TIP_MASK_INVERT},
    {IDC_MASK_LOAD, IDI_OPEN, IDS_TIP_MASK_LOAD},
    {IDC_MASK_SAVE, IDI_SAVE, IDS_TIP_MASK_SAVE},
    {IDC_MASK_SAVE_AS, IDI_SAVE_AS, IDS_TIP_MASK_SAVE_AS},
};

}  // namespace

SettingsDialog::SettingsDialog(Plugin& plugin, const LanguageSelector& language, Caption& caption,
                               CommonDialogs* dialogs)
    : plugin_(plugin),
      settings_(plugin),
      language_(language),
      dialogs_(dialogs ? *dialogs : systemDialogs_),
      maskCommands_(plugin, dialogs_),
      actionCommands_(plugin, dialogs_),
      captionEditor_(plugin, caption),
      recordPage_(settings_, actionCommands_),
      soundPage_(SoundPageSpec(), settings_, actionCommands_),
      taskPage_(TaskPageSpec(), settings_, actionCommands_),
      captionPage_(settings_, captionEditor_, dialogs_),
      gridPage_(settings_, dialogs_),
      areaColorsPage_(settings_, dialogs_),
      previewShowPage_(settings_),
      recordShowPage_(settings_),
      tuningCommands_(plugin),
      tuning_(settings_, tuningCommands_, *this),
      scheduleCommands_(plugin),
      schedule_(settings_, scheduleCommands_),
      sensitive_({IDC_SENSITIVE_EDIT, IDC_SENSITIVE_SPIN, {0, 16}, 2, IDS_MSG_SENSITIVITY_RANGE, true, Resync::Direct},
                 [this] { return settings_.Get(&SettingsRecord::Sensitive); },
                 [this](int32_t v) { settings_.Set(&SettingsRecord::Sensitive, v); }),
      frameCounter_({IDC_FRAME_COUNTER_EDIT, IDC_FRAME_COUNTER_SPIN, {1, 25}, 2, IDS_MSG_FRAME_COUNTER_RANGE, true,
                     Resync::Direct},
                    [this] { return settings_.Get(&SettingsRecord::FrameCounter); },
                    [this](int32_t v) { settings_.Set(&SettingsRecord::FrameCounter, v); }),
      duration_({IDC_DURATION_EDIT, IDC_DURATION_SPIN, {5, 60}, 3, IDS_MSG_DURATION_RANGE, true, Resync::Direct},
                [this] { return settings_.Get(&SettingsRecord::Duration); },
                [this](int32_t v) { settings_.Set(&SettingsRecord::Duration, v); }) {}

// At unload the windows go while every member they use still exists.
SettingsDialog::~SettingsDialog() { Destroy(); }

void SettingsDialog::PostRefreshControls(uint32_t kind) {
  if (HWND w = hwnd()) PostMessageW(w, WM_REFRESH_CONTROLS, kind, 0);
}

void SettingsDialog::DestroyDialog() {
  HWND w = hwnd();
  if (!w) return;
  if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(w);
  } else {
    // Only the owning thread can destroy a window; ask it to close.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(w, WM_CLOSE, 0, 0, SMTO_NORMAL, kCrossThreadCloseTimeoutMs, &ignored);
  }
}

bool SettingsDialog::Open(HWND parent) {
  struct EndOpening {
    std::atomic<bool>& flag;
    ~EndOpening() { flag = false; }
  } end{opening_};
  opening_ = true;
  RegisterControlClasses();
  parent_ = IsWindow(parent) ? parent : nullptr;
  if (!CreateModeless(language_, IDD_SETTINGS, parent_)) {
    parent_ = nullptr;
    return false;
  }
  ShowWindow(hwnd(), SW_SHOW);
  return true;
}

void SettingsDialog::FocusAndFlash() {
  if (!hwnd()) return;
  SetFocus(hwnd());
  FlashDialog(2);
}

void SettingsDialog::FlashDialog(int n) {
  for (int i = 0; i < n * 2 && hwnd(); ++i) {
    FlashWindow(hwnd(), TRUE);
    Sleep(kFlashPauseMs);
  }
}

BOOL SettingsDialog::OnInitDialog() {
  PlaceWindow();
  for (const MaskButton& b : kMaskButtons) SetButtonIcon(Item(b.control), b.icon);
  SetButtonIcon(Item(IDC_TUNING), IDI_TUNING);
  SetButtonIcon(Item(IDC_SCHEDULE), IDI_SCHEDULE);
  CreateTabs();
  FillChannelList();
  sensitive_.Attach(*this);
  frameCounter_.Attach(*this);
  duration_.Attach(*this);
  CreateTooltips();
  maskEditor_.SetTooltipOwners({{hwnd(), tooltip_.hwnd()},
                                {recordPage_.hwnd(), recordPage_.tooltip()},
                                {soundPage_.hwnd(), soundPage_.tooltip()},
                                {taskPage_.hwnd(), taskPage_.tooltip()}});
  // hostWindows() copies under the frame lock itself.
  maskEditor_.SetMaskTarget(&maskCommands_, [this] {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(plugin_.hostWindows().videoFrame));
  });
  maskEditor_.Install();
  Post(RefreshAll);
  return TRUE;
}

void SettingsDialog::PlaceWindow() {
  RECT d = {};
  GetWindowRect(hwnd(), &d);
  RECT h = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (parent_) GetWindowRect(parent_, &h);
  const DialogPos last = plugin_.dialogPos();
  const DialogPlacement p = PlaceDialog(last.x, last.y, GetSystemMetrics(SM_CXSCREEN),
                                        GetSystemMetrics(SM_CYSCREEN), ScreenRect{d.left, d.top, d.right, d.bottom},
                                        ScreenRect{h.left, h.top, h.right, h.bottom});
  if (p.centred) plugin_.SetDialogPos(p.x, p.y);
  SetWindowPos(hwnd(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SettingsDialog::CreateTabs() {
  HMODULE module = PluginResourceModule();
  stateImages_ = ImageList_Create(16, 16, ILC_COLOR8 | ILC_MASK, 2, 1);
  for (UINT id : {IDB_STATE_OFF, IDB_STATE_ON}) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
    if (!bitmap) continue;
    if (stateImages_) ImageList_AddMasked(stateImages_, bitmap, kTransparentMagenta);
    DeleteObject(bitmap);
  }

  actionTabs_.Attach(Item(IDC_ACTION_TAB));
  if (stateImages_ && actionTabs_.tab())
    SendMessageW(actionTabs_.tab(), TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(stateImages_));
  for (UINT s : {IDS_TAB_RECORD, IDS_TAB_SOUND, IDS_TAB_TASK}) actionTabs_.AddTab(language_.LoadWideString(s));
  for (SettingsPage* page : {static_cast<SettingsPage*>(&recordPage_), static_cast<SettingsPage*>(&soundPage_),
                             static_cast<SettingsPage*>(&taskPage_)})
    actionTabs_.AddPage(*page, language_, page->templateId());
  actionTabs_.PlacePages();

  visualTabs_.Attach(Item(IDC_VISUAL_TAB));
  for (UINT s : {IDS_TAB_DATE_TIME, IDS_TAB_GRID, IDS_TAB_ACTIVE_AREAS, IDS_TAB_PREVIEW, IDS_TAB_RECORD_SHOW})
    visualTabs_.AddTab(language_.LoadWideString(s));
  for (SettingsPage* page : {static_cast<SettingsPage*>(&captionPage_), static_cast<SettingsPage*>(&gridPage_),
                             static_cast<SettingsPage*>(&areaColorsPage_), static_cast<SettingsPage*>(&previewShowPage_),
                             static_cast<SettingsPage*>(&recordShowPage_)})
    visualTabs_.AddPage(*page, language_, page->templateId());
  visualTabs_.PlacePages();
}

ChannelLookup SettingsDialog::Lookup() {
  const GetChannelFn fn = plugin_.hostChannels().getChannel;
  return [fn](int32_t index) -> const ChannelInfo* { return fn ? fn(index) : nullptr; };
}

void SettingsDialog::FillChannelList() {
  HWND list = Item(IDC_CHANNEL_LIST);
  // The host is asked with no lock held.
  channels_.Build(Lookup(), std::string(), settings_.Watched());
  if (!list) return;
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  const std::vector<ChannelItem>& items = channels_.items();
  for (size_t i = 0; i < items.size(); ++i) {
    LRESULT at;
    if (i == 0) {
      // Ours, in the dialog's language whatever the code page; the host's names are ANSI.
      const std::wstring notSelected = language_.LoadWideString(IDS_CHANNEL_NOT_SELECTED);
      at = SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(notSelected.c_str()));
    } else {
      at = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].text.c_str()));
    }
    if (at >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(items[i].value));
  }
  SendMessageW(list, CB_SETCURSEL, channels_.selection(), 0);
}

void SettingsDialog::CreateTooltips() {
  tooltip_.Create(hwnd());
  tooltip_.Add(Item(IDC_CURRENT_CHANNEL), language_.LoadWideString(IDS_TIP_CURRENT_CHANNEL));
  tooltip_.Add(Item(IDC_CHANNEL_LIST), language_.LoadWideString(IDS_TIP_CONTROLLED_CHANNEL));
  tooltip_.Add(Item(IDC_MASK_FILE), language_.LoadWideString(IDS_TIP_MASK_FILE));
  for (const MaskButton& b : kMaskButtons) tooltip_.Add(Item(b.control), language_.LoadWideString(b.tip));
  tooltip_.Add(Item(IDC_TUNING), language_.LoadWideString(IDS_TIP_TUNING));
  tooltip_.Add(Item(IDC_SCHEDULE), language_.LoadWideString(IDS_TIP_SCHEDULE));
  tooltip_.Activate();
}

bool SettingsDialog::OnCommand(WORD id, WORD code, HWND) {
  if (code == EN_CHANGE) {
    // Before the first reload the fields are empty: nothing has been typed yet.
    if (!numbersShown_) return false;
    for (ValidatedNumberEdit* f : {&sensitive_, &frameCounter_, &duration_}) {
      if (f->editId() == id) {
        f->OnTextChanged();
        return true;
      }
    }
    return false;
  }
  if (id == IDC_CHANNEL_LIST) {
    if (code == CBN_SELCHANGE) OnChannelSelected();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_OK:
      Destroy();
      return true;
    case IDC_ABOUT:
      about_.RunModal(IDD_ABOUT, *this);
      return true;
    case IDC_CHANNEL_BUTTON:
      OnChannelButton();
      return true;
    case IDC_TUNING:
      tuning_.Open(language_, hwnd());
      return true;
    case IDC_SCHEDULE:
      schedule_.Open(language_, hwnd());
      return true;
    case IDC_CONTROL_Y:
    case IDC_CONTROL_R:
    case IDC_CONTROL_G:
    case IDC_CONTROL_B: {
      const uint32_t checked = IsDlgButtonChecked(hwnd(), id) == BST_CHECKED ? 1u : 0u;
      uint32_t SettingsRecord::*field = id == IDC_CONTROL_Y   ? &SettingsRecord::ControlY
                                        : id == IDC_CONTROL_R ? &SettingsRecord::ControlR
                                        : id == IDC_CONTROL_G ? &SettingsRecord::ControlG
                                                              : &SettingsRecord::ControlB;
      settings_.Set(field, checked);
      return true;
    }
    case IDC_MASK_SELECT_ALL:
    case IDC_MASK_CLEAR:
    case IDC_MASK_INVERT:
    case IDC_MASK_LOAD:
    case IDC_MASK_SAVE:
    case IDC_MASK_SAVE_AS:
      OnMaskCommand(id);
      return true;
    default:
      return false;
  }
}

void SettingsDialog::OnMaskCommand(WORD id) {
  switch (id) {
    case IDC_MASK_SELECT_ALL: maskCommands_.SelectAll(); break;
    case IDC_MASK_CLEAR: maskCommands_.Clear(); break;
    case IDC_MASK_INVERT: maskCommands_.Invert(); break;
    case IDC_MASK_LOAD: maskCommands_.Load(MaskWindow()); break;
    case IDC_MASK_SAVE: maskCommands_.Save(MaskWindow()); break;
    case IDC_MASK_SAVE_AS: maskCommands_.SaveAs(MaskWindow()); break;
    default: break;
  }
}

MaskCommands::Window SettingsDialog::MaskWindow() {
  MaskCommands::Window w;
  HWND now = hwnd();
  w.owner = reinterpret_cast<WindowHandle>(now);
  // PluginClose may destroy the dialog while a chooser is up: its answer is then dropped.
  w.stillOpen = [this, now] { return now != nullptr && hwnd() == now && IsWindow(now); };
  w.showPath = [this] { Post(RefreshMaskPath); };
  w.saveFailed = [this](const std::string& path) { ShowSaveFailure(path); };
  return w;
}

void SettingsDialog::ShowSaveFailure(const std::string& path) {
  if (!hwnd()) return;
  std::wstring text = language_.LoadWideString(IDS_MSG_MASK_NOT_SAVED);
  // The path is ANSI like every setting; the message is in the dialog's language.
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, AnsiToWide(path));
  ShowMessage(text);
}

bool SettingsDialog::OnNotify(NMHDR& header, LRESULT* result) {
  if (header.code != static_cast<UINT>(TCN_SELCHANGE)) return false;
  if (header.idFrom == IDC_ACTION_TAB) {
    settings_.Set(&SettingsRecord::ActionTab, actionTabs_.Selection());
    Post(RefreshActionTab);
  } else if (header.idFrom == IDC_VISUAL_TAB) {
    settings_.Set(&SettingsRecord::VisualTab, visualTabs_.Selection());
    Post(RefreshVisualTab);
  } else {
    return false;
  }
  *result = 0;
  return true;
}

bool SettingsDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
  switch (msg) {
    case WM_CLOSE:
      Destroy();
      *result = 0;
      return true;
    default:
      return false;
  }
}

void SettingsDialog::OnChannelSelected() {
  const LRESULT sel = SendDlgItemMessageW(hwnd(), IDC_CHANNEL_LIST, CB_GETCURSEL, 0, 0);
  if (sel < 0) return;
  const ChannelPair pair = channels_.OnSelectionChanged(Lookup(), static_cast<size_t>(sel));
  settings_.SetWatched(pair);
  Post(RefreshChannelButton);
}

void SettingsDialog::OnChannelButton() {
  const ChannelPair watched = settings_.Watched();
  const ChannelPair next = channels_.OnChannelButton(Lookup(), watched, settings_.Current());
  if (next != watched) settings_.SetWatched(next);
  SendDlgItemMessageW(hwnd(), IDC_CHANNEL_LIST, CB_SETCURSEL, channels_.selection(), 0);
  Post(RefreshChannelButton);
}

void SettingsDialog::ShowChannelButtonIcon() {
  SetButtonIcon(Item(IDC_CHANNEL_BUTTON), ChannelButtonIcon(settings_.Watched(), settings_.Current()));
}

void SettingsDialog::Refresh(uint32_t kind) {
  for (DialogReload step : SettingsDialogReloads(kind)) Reload(step);
}

void SettingsDialog::Reload(DialogReload step) {
  switch (step) {
    case DialogReload::Numbers:
      numbersShown_ = true;
      sensitive_.ShowStored();
      frameCounter_.ShowStored();
      duration_.ShowStored();
      break;
    case DialogReload::ColorChecks: {
      const struct {
        int id;
        uint32_t SettingsRecord::*field;
      } checks[] = {{IDC_CONTROL_Y, &SettingsRecord::ControlY}, {IDC_CONTROL_R, &SettingsRecord::ControlR},
                    {IDC_CONTROL_G, &SettingsRecord::ControlG}, {IDC_CONTROL_B, &SettingsRecord::ControlB}};
      for (const auto& c : checks)
        CheckDlgButton(hwnd(), c.id, settings_.Get(c.field) != 0 ? BST_CHECKED : BST_UNCHECKED);
      break;
    }
    case DialogReload::ChannelName:
      SetDlgItemTextA(hwnd(), IDC_CURRENT_CHANNEL, settings_.CurrentName().c_str());
      break;
    case DialogReload::MaskPath:
      SetDlgItemTextA(hwnd(), IDC_MASK_FILE, settings_.Get(&SettingsRecord::MaskFileName).c_str());
      // A new mask may bring a grid of another size.
      tuning_.PostReload();
      schedule_.PostReload();
      break;
    case DialogReload::ChannelButton:
      ShowChannelButtonIcon();
      break;
    case DialogReload::ActionTab:
      actionTabs_.ShowStored(settings_.Get(&SettingsRecord::ActionTab));
      break;
    case DialogReload::VisualTab:
      visualTabs_.ShowStored(settings_.Get(&SettingsRecord::VisualTab));
      break;
    case DialogReload::RecordImage:
      actionTabs_.SetImage(0, TabImageFor(settings_.Get(&SettingsRecord::RecordEnable)));
      break;
    case DialogReload::SoundImage:
      actionTabs_.SetImage(1, TabImageFor(settings_.Get(&SettingsRecord::SoundEnable)));
      break;
    case DialogReload::TaskImage:
      actionTabs_.SetImage(2, TabImageFor(settings_.Get(&SettingsRecord::ProcessEnable)));
      break;
  }
}

void SettingsDialog::OnDestroy() {
  tuning_.Destroy();
  schedule_.Destroy();
  RECT r = {};
  if (GetWindowRect(hwnd(), &r)) plugin_.SetDialogPos(r.left, r.top);
  maskEditor_.Remove();
}

void SettingsDialog::OnFinalDestroy() {
  if (stateImages_) ImageList_Destroy(stateImages_);
  stateImages_ = nullptr;
  tooltip_.Forget();
  actionTabs_.Clear();
  visualTabs_.Clear();
  numbersShown_ = false;
  parent_ = nullptr;  // the host's window is left alone
}

}  // namespace qlv
