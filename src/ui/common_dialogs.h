// The platform's file, colour and font choosers, behind an interface so that
// the dialog code can be driven by tests that answer them. Every chooser is
// modal and owned by `owner`, which alone is disabled while it is up: the owner
// (the settings dialog) cannot be closed under a running chooser by the user.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "settings/caption_font.h"

namespace qlv {

// Open and save choosers. Paths are in the ANSI code page, like the settings.
struct FileChoice {
  std::string filterText;        // "Mask files (*.msk)"
  std::string pattern;           // "*.msk"
  std::string defaultExtension;  // "msk", added when the typed name has none
  std::string initialPath;       // shown at first; may be empty
};

struct FontRequest {
  CaptionFont initial;
  uint32_t color = 0;  // COLORREF shown in the effects part; never read back
  // Called with the chooser's current font each time its "Apply" button is
  // pressed; the chooser stays open. May be empty: then there is no apply.
  std::function<void(const CaptionFont&)> apply;
};

class CommonDialogs {
 public:
  virtual ~CommonDialogs() = default;

  // The full path chosen, or nothing when cancelled or failed.
  virtual std::optional<std::string> OpenFile(WindowHandle owner, const FileChoice& choice) = 0;
  // Asks before replacing an existing file.
  virtual std::optional<std::string> SaveFile(WindowHandle owner, const FileChoice& choice) = 0;
  // Opens with the custom-colour part expanded. COLORREF 0x00BBGGRR.
  virtual std::optional<uint32_t> PickColor(WindowHandle owner, uint32_t initial) = 0;
  // The confirmed font, or nothing on cancel (after which the caller undoes
  // what `apply` did).
  virtual std::optional<CaptionFont> PickFont(WindowHandle owner, const FontRequest& request) = 0;
};

}  // namespace qlv
