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

// The static threads runtime takes a TLS slot at every load of the library and never
// gives it back; a process has 1,088, so a host that loads and unloads the plug-in again
// and again would run out, and with it every module that asks for one. The slot is found
// at load: taken after this image's first TLS callback ran, and holding for the loading
// thread the runtime's record of it, which has the thread's id and a handle of the thread.
// Anything less certain is left alone (and leaks, as before).
DWORD g_firstFreeTlsAtLoad = TLS_OUT_OF_INDEXES;
DWORD g_runtimeTlsSlot = TLS_OUT_OF_INDEXES;
constexpr DWORD kTlsSlotsSearched = 16;
constexpr size_t kRecordWordsSearched = 32;

void NTAPI NoteFirstFreeTlsSlot(PVOID, DWORD reason, PVOID) {
  if (reason != DLL_PROCESS_ATTACH) return;
  const DWORD probe = TlsAlloc();
  if (probe != TLS_OUT_OF_INDEXES) TlsFree(probe);
  g_firstFreeTlsAtLoad = probe;
}

bool Readable(const void* p, size_t bytes) {
  MEMORY_BASIC_INFORMATION mbi;
  if (!p || VirtualQuery(p, &mbi, sizeof mbi) != sizeof mbi || mbi.State != MEM_COMMIT) return false;
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE;
  const auto end = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
  return (mbi.Protect & readable) && !(mbi.Protect & PAGE_GUARD) && static_cast<const char*>(p) + bytes <= end;
}

using GetThreadIdFn = DWORD(WINAPI*)(HANDLE);

bool IsThisThreadsRuntimeRecord(const void* v, GetThreadIdFn threadIdOf) {
  if (!Readable(v, kRecordWordsSearched * sizeof(DWORD))) return false;
  const DWORD* w = static_cast<const DWORD*>(v);
  const DWORD self = GetCurrentThreadId();
  bool id = false, handle = false;
  for (size_t k = 0; k < kRecordWordsSearched; ++k) {
    id |= w[k] == self;
    // Real handles only: the pseudo-handles count down from -1.
    if (w[k] != 0 && w[k] < 0xFFFFFF00u)
      handle |= threadIdOf(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(w[k]))) == self;
  }
  return id && handle;
}

// Called in DllMain at attach, after the runtime's callbacks and constructors.
DWORD FindRuntimeTlsSlot(DWORD ours) {
  const DWORD first = g_firstFreeTlsAtLoad;
  // Looked up: the plug-in also loads where the system has no GetThreadId.
  const FARPROC lookedUp = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadId");
  const auto threadIdOf = reinterpret_cast<GetThreadIdFn>(reinterpret_cast<void*>(lookedUp));
  if (first == TLS_OUT_OF_INDEXES || !threadIdOf) return TLS_OUT_OF_INDEXES;
  DWORD found = TLS_OUT_OF_INDEXES;
  for (DWORD i = first; i < first + kTlsSlotsSearched && i < 1088; ++i) {
    if (i == ours || !IsThisThreadsRuntimeRecord(TlsGetValue(i), threadIdOf)) continue;
    if (found != TLS_OUT_OF_INDEXES) return TLS_OUT_OF_INDEXES;  // two: not sure which
    found = i;
  }
  return found;
}

}  // namespace

// Sorts before the runtime's own TLS callbacks (.CRT$XLC and later), so it runs first.
extern "C" __attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK qlv_note_tls_slot =
    NoteFirstFreeTlsSlot;

// At FreeLibrary (reserved null) the caption's GDI objects, the dialog and the
// memory go with the app. At process exit (reserved non-null) other threads were
// ended wherever they stood, maybe holding a lock the app would take: nothing is
// touched, and the system takes back the process's objects.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    SetPluginModule(instance);
    g_runtimeTlsSlot = FindRuntimeTlsSlot(ModuleStateTlsSlot());
  }
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    if (PluginApp* app = g_app.exchange(nullptr)) app->~PluginApp();
    EndModuleState();
    EndThisThreadInRuntime(instance);
    if (g_runtimeTlsSlot != TLS_OUT_OF_INDEXES) TlsFree(g_runtimeTlsSlot);
    g_runtimeTlsSlot = TLS_OUT_OF_INDEXES;
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
