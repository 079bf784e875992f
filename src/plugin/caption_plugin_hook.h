// Connects the caption to the plug-in's lifecycle: two layers at Init, the font at
// every stream start, the per-frame draw with the platform's clock.
#pragma once

#include "overlay/caption.h"
#include "platform/platform.h"
#include "plugin/plugin.h"

namespace qlv {

class CaptionPluginHook : public CaptionHook {
 public:
  CaptionPluginHook(Caption& caption, Platform& platform) : caption_(caption), platform_(platform) {}
  void OnInit(const SettingsRecord& working) override;
  void OnStart(const FrameCanvas& canvas, const SettingsRecord& working) override;
  void Draw(uint8_t* frame, const FrameCanvas& canvas, const SettingsRecord& working) override;

 private:
  Caption& caption_;
  Platform& platform_;
};

}  // namespace qlv
