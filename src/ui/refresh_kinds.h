// WM_REFRESH_CONTROLS: what the settings dialog reloads for each RefreshKind,
// and the tab rules those reloads follow.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "plugin/plugin.h"

namespace qlv {

// wParam of WM_REFRESH_CONTROLS. 8-11 belong to the action pages.
enum RefreshKind : uint32_t {
  RefreshAll = kRefreshAll,
  RefreshChannelName = 1,
  RefreshMaskPath = 2,
  RefreshActionTab = 3,
  RefreshVisualTab = 4,
  RefreshRecordImage = 5,
  RefreshSoundImage = 6,
  RefreshTaskImage = 7,
  RefreshSoundFile = 8,     // sound page: the file field
  RefreshSoundRepeat = 9,   // sound page: the repeat icon
  RefreshTaskFile = 10,     // task page: the file field
  RefreshTaskRestart = 11,  // task page: the restart icon
  RefreshChannelButton = 12,
};

// One reload step of the settings dialog.
enum class DialogReload {
  Numbers,        // up-down positions of Sensitive, FrameCounter, Duration
  ColorChecks,    // Y, R, G, B
  ChannelName,
  MaskPath,
  ChannelButton,
  ActionTab,
  VisualTab,
  RecordImage,
  SoundImage,
  TaskImage,
};

// The steps, in order, that `kind` asks of the settings dialog; none for a kind
// that is not the dialog's.
std::vector<DialogReload> SettingsDialogReloads(uint32_t kind);

constexpr int32_t kActionPageCount = 3;
constexpr int32_t kVisualPageCount = 5;

// The page a stored tab index shows; none for an index outside the pages, in
// which case no page is shown or hidden.
std::optional<int32_t> TabPageToShow(int32_t storedIndex, int32_t pageCount);

// Image of an action tab for its switch: 0 off, 1 on.
constexpr int32_t kTabImageOff = 0;
constexpr int32_t kTabImageOn = 1;
inline int32_t TabImageFor(uint32_t enabled) { return enabled != 0 ? kTabImageOn : kTabImageOff; }

}  // namespace qlv
