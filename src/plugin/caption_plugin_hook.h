// Connects the caption to the plug-in's lifecycle: two layers at Init, the font at
// every stream start, the per-frame draw with the platform's clock, and the
// caption's GDI objects freed at close.
#pragma once

#include "overlay/caption.h"
#include "platform/platform.h"
#include "plugin/plugin.h"

namespace qlv {

class CaptionPluginHook : public CaptionHook {
 public:
  CaptionPluginHook(Caption& caption, Platform& platform) : caption_(caption), platform_(platform) {}
  void OnInit(const SettingsRecord& working) override;
  void OnStart() override;
  void Draw(uint8_t* frame, const OverlayGeometry& geometry) override;
  void OnClose() override;

 private:
  Caption& caption_;
  Platform& platform_;
};

}  // namespace qlv
