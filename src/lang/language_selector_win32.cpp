#include "lang/language_selector_win32.h"

#include <cstring>

#include "lang/string_block.h"
#include "platform/module_state_win32.h"

namespace qlv {

HMODULE PluginResourceModule() { return PluginModule(); }

LanguageSelector::LanguageSelector() : module_(PluginResourceModule()), primary_(GetSystemDefaultLangID()) {}

LanguageSelector::LanguageSelector(HMODULE module, LANGID primary) : module_(module), primary_(primary) {}

void LanguageSelector::Refresh() { module_ = PluginResourceModule(); }

const void* LanguageSelector::LoadResourceData(LPCSTR type, UINT id, DWORD* size) const {
  if (size) *size = 0;
  if (!module_) return nullptr;
  // Exact language first, then English; no neutral or sub-language matching.
  HRSRC found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id), primary_);
  if (!found) found = FindResourceExA(module_, type, MAKEINTRESOURCEA(id), kFallbackLanguage);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module_, found);
  if (!loaded) return nullptr;
  if (size) *size = SizeofResource(module_, found);
  return LockResource(loaded);
}

const void* LanguageSelector::LoadDialogTemplate(UINT id) const {
  return LoadResourceData(reinterpret_cast<LPCSTR>(RT_DIALOG), id, nullptr);
}

const void* LanguageSelector::LoadMenuTemplate(UINT id) const {
  return LoadResourceData(reinterpret_cast<LPCSTR>(RT_MENU), id, nullptr);
}

std::wstring LanguageSelector::LoadWideString(UINT id, bool* blockFound) const {
  DWORD size = 0;
  const void* block = LoadResourceData(reinterpret_cast<LPCSTR>(RT_STRING), StringBlockNumber(id), &size);
  if (blockFound) *blockFound = block != nullptr;
  std::u16string text;
  if (!block) return std::wstring();
  FindStringEntry(block, size, StringBlockEntry(id), &text);
  return std::wstring(text.begin(), text.end());
}

std::string WideToCodePage(UINT codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(codePage, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  const int written = WideCharToMultiByte(codePage, 0, text.data(), units, &out[0], bytes, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

std::string WideToAnsi(const std::wstring& text) { return WideToCodePage(CP_ACP, text); }

std::string LanguageSelector::LoadString(UINT id) const { return WideToAnsi(LoadWideString(id)); }

bool LanguageSelector::LoadStringInto(UINT id, char* buffer, size_t size) const {
  if (!buffer || size == 0) return false;
  buffer[0] = '\0';
  bool blockFound = false;
  const std::string text = WideToAnsi(LoadWideString(id, &blockFound));
  if (!blockFound) return false;
  CopyWholeCharacters(text, CP_ACP, buffer, size);
  return true;
}

size_t CopyWholeCharacters(const std::string& text, UINT codePage, char* buffer, size_t size) {
  size_t n = 0;
  while (n < text.size()) {
    const bool pair = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[n])) && n + 1 < text.size();
    const size_t step = pair ? 2 : 1;
    if (n + step > size - 1) break;
    n += step;
  }
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace qlv
