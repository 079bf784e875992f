// The caption page's way to the caption settings: each change goes into the working
// settings (under the frame lock) and then, as the caption's new style, into the
// caption, rendered again under the same hold of the caption's lock when the picture depends
// on it: the next frame shows it, whatever the second.
#pragma once

#include <cstdint>
#include <string>

#include "overlay/caption.h"
#include "plugin/plugin.h"
#include "ui/common_dialogs.h"

namespace qlv {

class CaptionEditor {
 public:
  CaptionEditor(Plugin& plugin, Caption& caption) : plugin_(plugin), caption_(caption) {}

  // The working settings as they are now.
  SettingsRecord settings() const { return plugin_.Settings(); }

  void SetTimeFormat(const std::string& format);
  void SetTextColor(uint32_t color);
  // Position and opacity are read at every blend: no render needed.
  void SetTextPos(int32_t position);
  void SetTextOpacity(int32_t opacity);
  // The seven font settings; the font is made again.
  void SetFont(const CaptionFont& font);
  // The caption rendered again as it stands.
  void Render();

  // The colour chooser for TextColor, owned by `owner`. The caption is rendered
  // again whether or not a colour was chosen. True when one was.
  bool PickColor(CommonDialogs& dialogs, WindowHandle owner);
  // The font chooser: "Apply" shows its font at once; OK keeps the chosen one;
  // Cancel puts back the seven font settings as they were when it opened, and
  // only those, so nothing else changed meanwhile is lost. True when confirmed.
  bool PickFont(CommonDialogs& dialogs, WindowHandle owner);

 private:
  enum class Redraw { None, Text, FontAndText };
  template <typename Change>
  void Write(Change change, Redraw redraw);

  Plugin& plugin_;
  Caption& caption_;
};

}  // namespace qlv
