// The library's exports and the six entry points of the plug-in record. Thin:
// check arguments, enter the module state, forward to the one PluginApp.
#include <windows.h>

#include "lang/language_selector_win32.h"
#include "platform/module_state_win32.h"
#include "platform/platform_win32.h"
#include "plugin/host_api.h"
#include "plugin/host_windows.h"
#include "app/plugin_app_win32.h"
#include "res/resource.h"

using namespace qlv;

namespace {

PluginApp& App() {
  static PluginApp app;
  return app;
}

// No exception may cross into the host: an entry point that fails returns 0
// where it has a result and otherwise does nothing more.
template <typename F>
int Guarded(F&& body) noexcept {
  try {
    ModuleStateGuard guard;
    return body();
  } catch (...) {
    return 0;
  }
}

// Null records are not something the host sends; they are refused quietly.
void QLV_CDECL EntryInit(HostInitInfo* info) {
  Guarded([&] { if (info) App().Init(*info); return 0; });
}

int QLV_CDECL EntryStart(StreamFormat* format) {
  return Guarded([&] { return format ? App().Start(*format) : 0; });
}

int QLV_CDECL EntryProcessFrame(HostFrame* frame) {
  return Guarded([&] { return frame ? App().ProcessFrame(*frame) : 0; });
}

void QLV_CDECL EntryEmpty() { ModuleStateGuard guard; }

void QLV_CDECL EntryShowSettings(SettingsRequest* request) {
  Guarded([&] { if (request) App().ShowSettings(*request); return 0; });
}

void QLV_CDECL EntryClose() {
  Guarded([&] { App().Close(); return 0; });
}

char g_name[128];
char g_description[256];
PluginRecord g_record = {g_name,     g_description,     EntryInit,  EntryStart,
                         EntryProcessFrame, EntryEmpty, EntryShowSettings, EntryClose};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) SetPluginModule(instance);
  return TRUE;
}

extern "C" __declspec(dllexport) int QLV_CDECL Quelvar_Plugin_Version() { return kPluginInterfaceVersion; }

extern "C" __declspec(dllexport) PluginRecord* QLV_CDECL Quelvar_Plugin_PR() {
  Guarded([] {
    LanguageSelector language;  // the host is asked afresh on every call
    Win32Platform platform;
    language.TakeHostLanguage(AskHostLanguage(platform));
    language.LoadStringInto(IDS_PLUGIN_NAME, g_name, sizeof g_name);
    language.LoadStringInto(IDS_PLUGIN_DESCRIPTION, g_description, sizeof g_description);
    return 0;
  });
  return &g_record;
}
