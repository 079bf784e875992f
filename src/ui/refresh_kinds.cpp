#include "ui/refresh_kinds.h"

namespace qlv {

std::vector<DialogReload> SettingsDialogReloads(uint32_t kind) {
  using R = DialogReload;
  switch (kind) {
    case RefreshAll:
      return {R::Numbers,   R::ColorChecks, R::ChannelName, R::MaskPath,   R::ChannelButton,
              R::ActionTab, R::VisualTab,   R::RecordImage, R::SoundImage, R::TaskImage};
    case RefreshChannelName: return {R::ChannelName};
    case RefreshMaskPath: return {R::MaskPath};
    case RefreshActionTab: return {R::ActionTab};
    case RefreshVisualTab: return {R::VisualTab};
    case RefreshRecordImage: return {R::RecordImage};
    case RefreshSoundImage: return {R::SoundImage};
    case RefreshTaskImage: return {R::TaskImage};
    case RefreshChannelButton: return {R::ChannelButton};
    default: return {};
  }
}

std::optional<int32_t> TabPageToShow(int32_t storedIndex, int32_t pageCount) {
  if (storedIndex < 0 || storedIndex >= pageCount) return std::nullopt;
  return storedIndex;
}

}  // namespace qlv
