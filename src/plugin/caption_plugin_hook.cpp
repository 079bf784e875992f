#include "plugin/caption_plugin_hook.h"

namespace qlv {

void CaptionPluginHook::OnInit(const SettingsRecord&) { caption_.InitLayers(); }

void CaptionPluginHook::OnStart(const FrameCanvas&, const SettingsRecord& working) {
  caption_.CreateCaptionFont(working);
}

void CaptionPluginHook::Draw(uint8_t* frame, const FrameCanvas& canvas, const SettingsRecord& working) {
  caption_.DrawCaption(frame, canvas, working, platform_.Now());
}

}  // namespace qlv
