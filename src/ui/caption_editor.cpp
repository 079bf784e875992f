#include "ui/caption_editor.h"

#include <optional>

#include "overlay/overlay_composer.h"

namespace qlv {

template <typename Change>
void CaptionEditor::Write(Change change, Redraw redraw) {
  // One lock after the other, never both: the dialog's thread is the only writer.
  const SettingsRecord s = plugin_.EditSettings(change);
  const OverlayGeometry geometry = plugin_.StreamGeometry();
  if (redraw == Redraw::None) {
    caption_.SetStyle(CaptionStyle(s));
  } else {
    caption_.Refresh(CaptionStyle(s), geometry, redraw == Redraw::FontAndText);
  }
}

void CaptionEditor::SetTimeFormat(const std::string& format) {
  Write([&](SettingsRecord& s) { s.TimeFormat = format; }, Redraw::Text);
}

void CaptionEditor::SetTextColor(uint32_t color) {
  Write([&](SettingsRecord& s) { s.TextColor = color; }, Redraw::Text);
}

void CaptionEditor::SetTextPos(int32_t position) {
  Write([&](SettingsRecord& s) { s.TextPos = position; }, Redraw::None);
}

void CaptionEditor::SetTextOpacity(int32_t opacity) {
  Write([&](SettingsRecord& s) { s.TextOpacity = opacity; }, Redraw::None);
}

void CaptionEditor::SetFont(const CaptionFont& font) {
  Write([&](SettingsRecord& s) { StoreCaptionFont(font, &s); }, Redraw::FontAndText);
}

void CaptionEditor::Render() {
  Write([](SettingsRecord&) {}, Redraw::Text);
}

bool CaptionEditor::PickColor(CommonDialogs& dialogs, WindowHandle owner) {
  // No lock is held while the chooser is up.
  const std::optional<uint32_t> chosen = dialogs.PickColor(owner, settings().TextColor);
  if (chosen) {
    SetTextColor(*chosen);
  } else {
    Render();
  }
  return chosen.has_value();
}

bool CaptionEditor::PickFont(CommonDialogs& dialogs, WindowHandle owner) {
  const CaptionFont before = CaptionFontOf(settings());
  FontRequest request;
  request.initial = before;
  request.color = settings().TextColor;
  request.apply = [this](const CaptionFont& font) { SetFont(font); };
  const std::optional<CaptionFont> chosen = dialogs.PickFont(owner, request);
  SetFont(chosen ? *chosen : before);
  return chosen.has_value();
}

}  // namespace qlv
