// The library's exports and the six entry points of the plug-in record: check the
// arguments, keep every exception inside, forward to the one PluginApp.
#include <windows.h>

#include <atomic>
#include <new>

#include "lang/language_selector_win32.h"
#include "platform/module_state_win32.h"
#include "platform/platform_win32.h"
#include "plugin/host_api.h"
#include "plugin/host_windows.h"
#include "app/plugin_app_win32.h"
#include "res/resource.h"

using namespace qlv;

namespace {

// The one PluginApp, made at first use and never destroyed by the runtime's exit
// code: DllMain ends it at FreeLibrary and leaves it alone when the process ends.
// Made under a flag of our own rather than a guarded local static, whose guard
// would keep a system lock object per load of the library.
alignas(PluginApp) unsigned char g_appStorage[sizeof(PluginApp)];
std::atomic<PluginApp*> g_app{nullptr};
std::atomic<int> g_appMaking{0};

PluginApp& App() {
  if (PluginApp* app = g_app.load(std::memory_order_acquire)) return *app;
  int expected = 0;
  if (g_appMaking.compare_exchange_strong(expected, 1)) {
    PluginApp* app = nullptr;
    try {
      app = new (g_appStorage) PluginApp();
    } catch (...) {
      g_appMaking = 0;  // the next entry point tries again
      throw;
    }
    g_app.store(app, std::memory_order_release);
    return *app;
  }
  // Another thread makes it now: the host's first calls come one at a time, so this
  // wait is short and rare.
  PluginApp* app;
  while (!(app = g_app.load(std::memory_order_acquire))) Sleep(1);
  return *app;
}

// No exception may cross into the host: an entry point that fails returns 0
// where it has a result and otherwise does nothing more.
template <typename F>
int Guarded(F&& body) noexcept {
  try {
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

void QLV_CDECL EntryEmpty() {}

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

// At FreeLibrary (reserved null) the caption's GDI objects, the dialog and the
// memory go with the app. At process exit (reserved non-null) other threads were
// ended wherever they stood, maybe holding a lock the app would take: nothing is
// touched, and the system takes back the process's objects.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) SetPluginModule(instance);
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    if (PluginApp* app = g_app.exchange(nullptr)) app->~PluginApp();
  }
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
