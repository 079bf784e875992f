#include "settings/caption_font.h"

namespace qlv {

CaptionFont CaptionFontOf(const SettingsRecord& s) {
  CaptionFont f;
  f.faceName = s.FontName;
  f.height = s.FontSize;
  f.weight = s.FontWeight;
  f.italic = s.FontItalic;
  f.underline = s.FontUnderline;
  f.strikeOut = s.FontStrikeOut;
  f.charSet = s.FontCharSet;
  return f;
}

void StoreCaptionFont(const CaptionFont& font, SettingsRecord* s) {
  s->FontName = font.faceName;
  s->FontSize = font.height;
  s->FontWeight = font.weight;
  s->FontItalic = font.italic;
  s->FontUnderline = font.underline;
  s->FontStrikeOut = font.strikeOut;
  s->FontCharSet = font.charSet;
}

}  // namespace qlv
