#include "app/plugin_app_win32.h"

#include "res/resource.h"
#include "settings/settings_location_win32.h"

namespace qlv {

SettingsRefusal CheckSettingsRequest(int32_t processorClass, int32_t notViewing) {
  if (ProcessorTooOld(processorClass)) return SettingsRefusal::Processor;
  if (notViewing != 0) return SettingsRefusal::NotViewing;
  return SettingsRefusal::None;
}

const wchar_t* RefusalText(SettingsRefusal r) {
  switch (r) {
    case SettingsRefusal::Processor:
      return L"      Настройки плагина недоступны. \nТребуется процессор Pentium III или старше.";
    case SettingsRefusal::NotViewing:
      return L"Настройка плагина возможна только в режиме наблюдения.";
    default:
      return L"";
  }
}

// The host is asked when PluginInit refreshes the selector, and again before the dialog
// opens; not here.
PluginApp::PluginApp()
    : language_(PluginResourceModule(), GetSystemDefaultLangID()),
      caption_(layerAllocator_, rasterizer_),
      captionHook_(caption_, platform_),
      plugin_(platform_),
      dialog_(plugin_, language_, caption_) {
  plugin_.SetCaptionHook(&captionHook_);
  plugin_.SetDialogLink(&dialog_);
}

// At unload: the caption's DIB sections and font go with the library.
PluginApp::~PluginApp() {
  plugin_.SetDialogLink(nullptr);
  caption_.Clear();
}

void PluginApp::AskHostLanguage() {
  language_.TakeHostLanguage(qlv::AskHostLanguage(platform_));
  // The words of a lost view follow the language of the windows.
  const std::wstring words = language_.LoadWideString(IDS_VIEW_LOST);
  if (!words.empty()) plugin_.SetViewLostWords(std::u16string(words.begin(), words.end()));
  const std::wstring off = language_.LoadWideString(IDS_SCHEDULE_OFF);
  if (!off.empty()) plugin_.SetScheduleOffWord(std::u16string(off.begin(), off.end()));
}

void PluginApp::Init(const HostInitInfo& info) {
  language_.Refresh();
  AskHostLanguage();
  plugin_.Init(info.getChannel, info.context, LocateSettings(PluginResourceModule()));
}

int PluginApp::Start(const StreamFormat& format) { return plugin_.Start(format); }

int PluginApp::ProcessFrame(HostFrame& frame) { return plugin_.ProcessFrame(&frame); }

void PluginApp::ShowSettings(const SettingsRequest& request) {
  const SettingsRefusal refusal = CheckSettingsRequest(plugin_.format().processorClass, request.notViewing);
  HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(request.parent));
  if (refusal != SettingsRefusal::None) {
    MessageBoxW(IsWindow(parent) ? parent : nullptr, RefusalText(refusal), kMessageCaption,
                MB_ICONINFORMATION | MB_OK);
    return;
  }
  if (dialog_.hwnd()) {
    dialog_.FocusAndFlash();
    return;
  }
  AskHostLanguage();
  dialog_.BeginOpening();  // no alarm starts an action from the final stop on
  plugin_.StopAllActions();
  dialog_.Open(parent);
}

void PluginApp::Close() { plugin_.Close(); }

}  // namespace qlv
