// Control classes shared by the settings dialog and its pages: the validated
// number field, the colour swatch, the tab control with its pages, tooltips.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/dialog_win32.h"
#include "ui/number_field.h"

namespace qlv {

// A digits-only edit with its up-down buddy, bound to one setting.
class ValidatedNumberEdit : private NumberFieldIo {
 public:
  struct Config {
    int editId;
    int spinId;
    NumberRange range;
    int textLimit;
    UINT messageId;       // string with the refusal
    bool formatMessage;   // fill its two %d with the range's ends
    Resync resync;
    // The field shows the stored value whole, even beyond the range; false: its low
    // 16 bits, kept inside the range, as the settings dialog's fields do.
    bool wholeValue = false;
  };
  ValidatedNumberEdit(const Config& config, std::function<int32_t()> load, std::function<void(int32_t)> store);

  // Binds the up-down to the edit, sets its range and the text limit.
  void Attach(Dialog& owner);
  // The edit's change notification.
  void OnTextChanged() { validator_.OnTextChanged(); }
  // Sets the up-down position from the setting: the owner's reload.
  void ShowStored();
  // A new range for the checks, the up-down and the message (once attached, at once).
  void SetRange(NumberRange range);
  NumberRange range() const { return config_.range; }
  int editId() const { return config_.editId; }
  int refusals() const { return validator_.refusals(); }

 private:
  std::string Text() override;
  int32_t Stored() override { return load_(); }
  void Store(int32_t value) override { store_(value); }
  void ShowRefusal() override;
  void ShowValue(int32_t value) override;
  void SetPosition(int32_t value);

  Config config_;
  std::function<int32_t()> load_;
  std::function<void(int32_t)> store_;
  NumberFieldValidator validator_;
  Dialog* owner_ = nullptr;
};

// Owner-drawn button showing a colour setting; drawn by the page that owns it.
struct ColorSwatchButton {
  // Fills the item with the colour (a grey hatch when disabled) inside a bump edge.
  static void Draw(const DRAWITEMSTRUCT& item, COLORREF color);
};

// The caption page's font button: the face name, centred, in the same frame.
void DrawFontButton(const DRAWITEMSTRUCT& item, const std::wstring& faceName);

// A tab control whose pages are child dialogs placed in its display area.
class TabPages {
 public:
  void Attach(HWND tab) { tab_ = tab; }
  HWND tab() const { return tab_; }
  void AddTab(const std::wstring& caption);
  // Creates the page from its template as a hidden child of the tab control.
  void AddPage(Dialog& page, const LanguageSelector& language, UINT templateId);
  // Every page in the display area, one step left to cover the control's inner edge.
  void PlacePages();
  // Selects tab `stored` and shows its page alone; an index with no page
  // changes no page.
  void ShowStored(int32_t stored);
  int32_t Selection() const;
  void SetImage(int tab, int image);
  int pageCount() const { return static_cast<int>(pages_.size()); }
  Dialog* page(int i) const { return pages_[static_cast<size_t>(i)]; }
  void Clear() { tab_ = nullptr; pages_.clear(); }

 private:
  HWND tab_ = nullptr;
  std::vector<Dialog*> pages_;
};

// A tooltip control for the controls of one dialog; its mouse messages come
// through the mask editor's hook.
class Tooltip {
 public:
  void Create(HWND owner);
  void Add(HWND control, const std::wstring& text);
  void Activate();
  HWND hwnd() const { return tip_; }
  void Forget() { tip_ = nullptr; owner_ = nullptr; }

 private:
  HWND tip_ = nullptr;
  HWND owner_ = nullptr;
};

}  // namespace qlv
