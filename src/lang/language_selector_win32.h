// Chooses the user-interface language (the host's, else the system's, else
// English) and loads language-dependent resources from the plug-in's module.
#pragma once

#include <windows.h>
// Our method of that name, not the platform's ANSI/wide macro.
#undef LoadString

#include <cstddef>
#include <string>

namespace qlv {

constexpr LANGID kFallbackLanguage = 1033;  // English (United States)
constexpr LANGID kRussianLanguage = 1049;

class LanguageSelector {
 public:
  // primary = the system default language, module = the plug-in's.
  LanguageSelector();
  // A given module and primary language.
  LanguageSelector(HMODULE module, LANGID primary);

  // The host's answer to the language question: a non-zero one becomes the primary
  // language, 0 (no host, no answer) keeps the one there is.
  void TakeHostLanguage(LANGID answer) {
    if (answer != 0) primary_ = answer;
  }
  // Takes the module handle again.
  void Refresh();

  HMODULE module() const { return module_; }
  LANGID primary() const { return primary_; }
  LANGID fallback() const { return kFallbackLanguage; }
  void SetPrimary(LANGID lang) { primary_ = lang; }

  // The resource data (primary language, else 1033), or null when neither exists.
  const void* LoadDialogTemplate(UINT id) const;
  const void* LoadMenuTemplate(UINT id) const;
  // Any resource type, with its size.
  const void* LoadResourceData(LPCSTR type, UINT id, DWORD* size) const;

  // String table entry in UTF-16; empty when absent. `blockFound` (optional)
  // tells whether the block holding the entry exists in either language.
  std::wstring LoadWideString(UINT id, bool* blockFound = nullptr) const;
  // The entry converted to the ANSI code page; empty when absent.
  std::string LoadString(UINT id) const;
  // The same into a byte buffer of `size` bytes, always NUL-terminated, cut at a
  // character boundary when too long. The buffer is emptied first; false only
  // when the string block is missing.
  bool LoadStringInto(UINT id, char* buffer, size_t size) const;

 private:
  HMODULE module_;
  LANGID primary_;
};

// UTF-16 to a code page (no flags), sized from the byte count the conversion
// reports: a double-byte code page needs more bytes than the text has units.
std::string WideToCodePage(UINT codePage, const std::wstring& text);
std::string WideToAnsi(const std::wstring& text);  // CP_ACP

// Copies `text` of `codePage` into `buffer` of `size` bytes (size > 0), NUL-terminated;
// a text too long is cut before a character, never between the two bytes of one.
// Returns the bytes copied.
size_t CopyWholeCharacters(const std::string& text, UINT codePage, char* buffer, size_t size);

// The module that holds the plug-in's resources: the one recorded at load time,
// else the module this code lives in.
HMODULE PluginResourceModule();

}  // namespace qlv
