// Arbitrary settings-file text: the reader never crashes, a found value is never
// empty and never spans a line, every numeric value survives its text form, and every
// bounded value read lies in its range.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_store.h"

using namespace qlv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IniStore store;
  store.OpenText(std::string(reinterpret_cast<const char*>(data), size));
  SettingsRecord r;
  std::string v2;
  store.ReadTable("PluginSettings", kSettingsTable, kSettingsCount, r);
  store.ReadBounded("PluginSettings", kGuardSettings, kGuardSettingsCount, r);
  for (const BoundedSetting& b : kGuardSettings) {
    const uint32_t v = r.*b.field;
    if (v < b.min || v > b.max) std::abort();
    // Absent from the file: exactly the default.
    if (!store.FindValue("PluginSettings", b.key, &v2) && v != b.defaultValue) std::abort();
  }
  int32_t x = 0;
  store.ReadInt("PluginSettings", "DlgWndPosX", &x, -100);
  std::string v;
  for (const char* section : {"PluginSettings", "", "[", "Other"}) {
    for (const char* key : {"Sensitive", "TimeFormat", "", "=", " x "}) {
      if (store.FindValue(section, key, &v) && (v.empty() || v.find('\n') != std::string::npos)) std::abort();
    }
  }
  for (const SettingsEntry& e : kSettingsTable) {
    if (e.code == kText) continue;
    const uint64_t n = LoadNumber(e, r);
    SettingsRecord back;
    StoreNumber(e, back, ParseDecimal(FormatNumber(e.code, n)));
    if (LoadNumber(e, back) != n) std::abort();
  }
  store.Close();
  return 0;
}
