// The library's exports and the six entry points of the plug-in record. Thin:
// check arguments, enter the module state, forward to the one PluginApp.
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
alignas(PluginApp) unsigned char g_appStorage[sizeof(PluginApp)];
std::atomic<PluginApp*> g_app{nullptr};

PluginApp& App() {
  static PluginApp* const app = g_app = new (g_appStorage) PluginApp();
  return *app;
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

// No thread detach reaches an unloaded image, so the thread that unloads it
// would keep what the static runtime made for it (a thread handle and an event
// per load): the image's thread callbacks run for it now, as at a thread's end.
void EndThisThreadInRuntime(HINSTANCE instance) {
  auto* base = reinterpret_cast<const uint8_t*>(instance);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
  if (dir.VirtualAddress == 0) return;
  const auto* tls = reinterpret_cast<const IMAGE_TLS_DIRECTORY*>(base + dir.VirtualAddress);
  auto* const* callbacks = reinterpret_cast<const PIMAGE_TLS_CALLBACK*>(tls->AddressOfCallBacks);
  for (; callbacks && *callbacks; ++callbacks) (*callbacks)(instance, DLL_THREAD_DETACH, nullptr);
}

}  // namespace

// At FreeLibrary (reserved null) the caption's GDI objects, the dialog and the
// memory go with the app. At process exit (reserved non-null) other threads were
// ended wherever they stood, maybe holding a lock the app would take: nothing is
// touched, and the system takes back the process's objects.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) SetPluginModule(instance);
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    if (PluginApp* app = g_app.exchange(nullptr)) app->~PluginApp();
    EndModuleState();
    EndThisThreadInRuntime(instance);
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
