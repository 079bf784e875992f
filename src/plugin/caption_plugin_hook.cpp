#include "plugin/caption_plugin_hook.h"

namespace qlv {

void CaptionPluginHook::OnInit() { caption_.InitLayers(); }

void CaptionPluginHook::OnStart(const SettingsRecord& working) { caption_.CreateCaptionFont(working); }

void CaptionPluginHook::Draw(uint8_t* frame, const OverlayGeometry& geometry, const SettingsRecord& working) {
  caption_.DrawCaption(frame, geometry, working, platform_.Now());
}

void CaptionPluginHook::OnClose() { caption_.Clear(); }

}  // namespace qlv
