#include "process_counters.h"
#include "platform/mutex.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <set>

namespace hostsim {

namespace {

// Resident anonymous memory of this (Linux) process, for Wine, whose private
// usage reads 0.
uint64_t AnonymousResidentBytes() {
  std::FILE* f = std::fopen("Z:\\proc\\self\\status", "r");
  if (!f) return 0;
  char line[256];
  uint64_t kb = 0;
  while (std::fgets(line, sizeof line, f)) {
    unsigned long long v = 0;
    if (std::sscanf(line, "RssAnon: %llu kB", &v) == 1) kb = v;
  }
  std::fclose(f);
  return kb * 1024;
}

// Handle values are multiples of four; under Wine they are small and dense.
uint32_t ProbeHandles() {
  uint32_t n = 0;
  for (uintptr_t h = 4; h < 0x10000; h += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++n;
  }
  return n;
}

}  // namespace

ProcessCounters ReadProcessCounters() {
  ProcessCounters c;
  PROCESS_MEMORY_COUNTERS_EX pmc;
  std::memset(&pmc, 0, sizeof pmc);
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc) &&
      pmc.PrivateUsage != 0) {
    c.privateBytes = pmc.PrivateUsage;
    c.privateSource = "private usage";
  } else {
    c.privateBytes = AnonymousResidentBytes();
    c.privateSource = "anonymous resident";
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles != 0) {
    c.handles = handles;
    c.handleSource = "handle count";
  } else {
    c.handles = ProbeHandles();
    c.handleSource = "handle probe";
  }
  c.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  return c;
}

namespace {

struct WatchState {
  qlv::Mutex lock;
  std::set<void*> live;
  uint64_t created = 0;
  uint64_t deleted = 0;
};
WatchState& State() {
  static WatchState* s = new WatchState();  // outlives every module that calls in
  return *s;
}

void Made(void* h) {
  if (!h) return;
  WatchState& s = State();
  qlv::MutexLock hold(s.lock);
  if (s.live.insert(h).second) ++s.created;
}

void Gone(void* h, bool ok) {
  if (!ok || !h) return;
  WatchState& s = State();
  qlv::MutexLock hold(s.lock);
  if (s.live.erase(h)) ++s.deleted;
}

HDC WINAPI WatchCreateCompatibleDC(HDC dc) {
  HDC r = CreateCompatibleDC(dc);
  Made(r);
  return r;
}
HBITMAP WINAPI WatchCreateDIBSection(HDC dc, const BITMAPINFO* bi, UINT usage, void** bits, HANDLE section,
                                     DWORD offset) {
  HBITMAP r = CreateDIBSection(dc, bi, usage, bits, section, offset);
  Made(r);
  return r;
}
HFONT WINAPI WatchCreateFontIndirectA(const LOGFONTA* lf) {
  HFONT r = CreateFontIndirectA(lf);
  Made(r);
  return r;
}
HBRUSH WINAPI WatchCreateSolidBrush(COLORREF c) {
  HBRUSH r = CreateSolidBrush(c);
  Made(r);
  return r;
}
HBRUSH WINAPI WatchCreateHatchBrush(int style, COLORREF c) {
  HBRUSH r = CreateHatchBrush(style, c);
  Made(r);
  return r;
}
BOOL WINAPI WatchDeleteDC(HDC dc) {
  const BOOL ok = DeleteDC(dc);
  Gone(dc, ok);
  return ok;
}
BOOL WINAPI WatchDeleteObject(HGDIOBJ h) {
  const BOOL ok = DeleteObject(h);
  Gone(h, ok);
  return ok;
}
HIMAGELIST WINAPI WatchImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
  HIMAGELIST r = ImageList_Create(cx, cy, flags, initial, grow);
  Made(r);
  return r;
}
BOOL WINAPI WatchImageListDestroy(HIMAGELIST list) {
  const BOOL ok = ImageList_Destroy(list);
  Gone(list, ok);
  return ok;
}

struct Redirect {
  const char* dll;
  const char* name;
  void* hook;
};
const Redirect kRedirects[] = {
    {"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&WatchCreateCompatibleDC)},
    {"gdi32.dll", "CreateDIBSection", reinterpret_cast<void*>(&WatchCreateDIBSection)},
    {"gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void*>(&WatchCreateFontIndirectA)},
    {"gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(&WatchCreateSolidBrush)},
    {"gdi32.dll", "CreateHatchBrush", reinterpret_cast<void*>(&WatchCreateHatchBrush)},
    {"gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&WatchDeleteDC)},
    {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&WatchDeleteObject)},
    {"comctl32.dll", "ImageList_Create", reinterpret_cast<void*>(&WatchImageListCreate)},
    {"comctl32.dll", "ImageList_Destroy", reinterpret_cast<void*>(&WatchImageListDestroy)},
};

}  // namespace

bool ModuleGdiWatch::Attach(HMODULE module) {
  State();
  if (!module) return false;
  auto* base = reinterpret_cast<uint8_t*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return false;
  int redirected = 0;
  for (auto* imp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
    const char* dll = reinterpret_cast<const char*>(base + imp->Name);
    if (!imp->OriginalFirstThunk) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      const char* name = reinterpret_cast<const char*>(byName->Name);
      for (const Redirect& r : kRedirects) {
        if (lstrcmpiA(dll, r.dll) != 0 || std::strcmp(name, r.name) != 0) continue;
        DWORD old = 0;
        if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) continue;
        slots->u1.Function = reinterpret_cast<uintptr_t>(r.hook);
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
        ++redirected;
      }
    }
  }
  return redirected > 0;
}

uint32_t ModuleGdiWatch::Live() {
  WatchState& s = State();
  qlv::MutexLock hold(s.lock);
  return static_cast<uint32_t>(s.live.size());
}

uint64_t ModuleGdiWatch::Created() {
  WatchState& s = State();
  qlv::MutexLock hold(s.lock);
  return s.created;
}

uint64_t ModuleGdiWatch::Deleted() {
  WatchState& s = State();
  qlv::MutexLock hold(s.lock);
  return s.deleted;
}

}  // namespace hostsim
