// The plug-in's one global state behind the exports: the plug-in with its caption,
// settings dialog, language selector and platform. The entry points forward here
// after checking their arguments.
#pragma once

#include <windows.h>

#include <cstdint>

#include "lang/language_selector_win32.h"
#include "overlay/caption.h"
#include "overlay/caption_gdi_win32.h"
#include "overlay/overlay_surface_win32.h"
#include "platform/platform_win32.h"
#include "plugin/caption_plugin_hook.h"
#include "plugin/host_api.h"
#include "plugin/plugin.h"
#include "ui/settings_dialog_win32.h"

namespace qlv {

// Why PluginShowSettings refuses to open the dialog.
enum class SettingsRefusal { None, Processor, NotViewing };

// A processor too old (ProcessorTooOld) is the refusal that wins.
SettingsRefusal CheckSettingsRequest(int32_t processorClass, int32_t notViewing);

// The two refusal texts (UTF-16: they are Russian in every language and must
// show exactly whatever the ANSI code page is).
const wchar_t* RefusalText(SettingsRefusal r);
// Caption of the plug-in's message boxes.
constexpr const wchar_t* kMessageCaption = L"QPM_QLVGuard";

class PluginApp {
 public:
  PluginApp();
  ~PluginApp();

  void Init(const HostInitInfo& info);
  int Start(const StreamFormat& format);
  int ProcessFrame(HostFrame& frame);
  void ShowSettings(const SettingsRequest& request);
  void Close();

  StreamFormat format() const { return plugin_.format(); }
  LanguageSelector& language() { return language_; }
  Plugin& plugin() { return plugin_; }
  SettingsDialog& dialog() { return dialog_; }

 private:
  // The host's language, when it answers, becomes the selector's primary one.
  void AskHostLanguage();

  LanguageSelector language_;
  Win32Platform platform_;
  // The date/time caption: GDI layers, text rasteriser, its lock and compositing.
  GdiLayerAllocator layerAllocator_;
  GdiTextRasterizer rasterizer_;
  Caption caption_;
  CaptionPluginHook captionHook_;
  Plugin plugin_;
  SettingsDialog dialog_;
};

}  // namespace qlv
