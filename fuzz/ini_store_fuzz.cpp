// Arbitrary settings-file text: the reader never crashes, a found value is never
// empty and never spans a line, and every numeric value survives its text form.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_store.h"

using namespace qlv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IniStore store;
  store.OpenText(std::string(reinterpret_cast<const char*>(data), size));
  SettingsRecord r;
  store.ReadTable("PluginSettings", kSettingsTable, kSettingsCount, r);
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
