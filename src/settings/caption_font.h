// The caption font as the settings hold it: what the font chooser shows and returns and what
// the caption draws with.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace qlv {

struct CaptionFont {
  std::string faceName;  // at most 31 bytes reach the platform's font
  int32_t height = 0;    // logical units; negative: character height
  int32_t weight = 0;    // 0-1000, 400 normal, 700 bold
  uint8_t italic = 0;    // each of these three 0 or 1
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  uint8_t charSet = 0;

  bool operator==(const CaptionFont& o) const {
    return faceName == o.faceName && height == o.height && weight == o.weight && italic == o.italic &&
           underline == o.underline && strikeOut == o.strikeOut && charSet == o.charSet;
  }
  bool operator!=(const CaptionFont& o) const { return !(*this == o); }
};

// The seven font settings; FontQuality is kept in the file but never used.
CaptionFont CaptionFontOf(const SettingsRecord& s);
void StoreCaptionFont(const CaptionFont& font, SettingsRecord* s);

}  // namespace qlv
