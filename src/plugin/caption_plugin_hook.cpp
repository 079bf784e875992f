#include "plugin/caption_plugin_hook.h"

namespace qlv {

void CaptionPluginHook::OnInit(const SettingsRecord& working) { caption_.InitLayers(CaptionStyle(working)); }

void CaptionPluginHook::OnStart() { caption_.CreateCaptionFont(); }

void CaptionPluginHook::Draw(uint8_t* frame, const OverlayGeometry& geometry) {
  caption_.DrawCaption(frame, geometry, platform_.Now());
}

void CaptionPluginHook::OnClose() { caption_.Clear(); }

}  // namespace qlv
