#include "ui/common_dialogs_win32.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <vector>


namespace qlv {

namespace {

constexpr DWORD kFileFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
constexpr WORD kApplyButton = 1026;  // psh3: the font chooser's "Apply"
constexpr char kFontRequestProp[] = "QlvFontRequest";
constexpr size_t kPathCapacity = 4096;

HWND OwnerWindow(WindowHandle owner) {
  HWND w = reinterpret_cast<HWND>(owner);
  return IsWindow(w) ? w : nullptr;
}

// "Text\0*.ext\0\0"
std::vector<char> FilterOf(const FileChoice& c) {
  std::vector<char> f(c.filterText.begin(), c.filterText.end());
  f.push_back('\0');
  f.insert(f.end(), c.pattern.begin(), c.pattern.end());
  f.push_back('\0');
  f.push_back('\0');
  return f;
}

std::optional<std::string> RunFileChooser(WindowHandle owner, const FileChoice& choice, bool save) {
  std::vector<char> filter = FilterOf(choice);
  std::vector<char> path(kPathCapacity, '\0');
  if (choice.initialPath.size() < path.size()) std::memcpy(path.data(), choice.initialPath.data(), choice.initialPath.size());
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerWindow(owner);
  ofn.lpstrFilter = filter.data();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.lpstrDefExt = choice.defaultExtension.empty() ? nullptr : choice.defaultExtension.c_str();
  ofn.Flags = kFileFlags;
  const BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!ok || path[0] == '\0') return std::nullopt;
  return std::string(path.data());
}

CaptionFont ChoiceOf(const LOGFONTA& lf) {
  CaptionFont c;
  c.faceName.assign(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  c.height = lf.lfHeight;
  c.weight = lf.lfWeight;
  c.italic = lf.lfItalic ? 1 : 0;
  c.underline = lf.lfUnderline ? 1 : 0;
  c.strikeOut = lf.lfStrikeOut ? 1 : 0;
  c.charSet = lf.lfCharSet;
  return c;
}

UINT_PTR CALLBACK FontHook(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    if (msg == WM_INITDIALOG) {
      const CHOOSEFONTA* cf = reinterpret_cast<const CHOOSEFONTA*>(lParam);
      if (cf) SetPropA(dialog, kFontRequestProp, reinterpret_cast<HANDLE>(cf->lCustData));
      return FALSE;  // the chooser's own initialisation goes on
    }
    if (msg == WM_DESTROY) {
      RemovePropA(dialog, kFontRequestProp);
      return FALSE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == kApplyButton && HIWORD(wParam) == BN_CLICKED) {
      const FontRequest* request = reinterpret_cast<const FontRequest*>(GetPropA(dialog, kFontRequestProp));
      if (!request || !request->apply) return FALSE;
      LOGFONTA lf = {};
      SendMessageA(dialog, WM_CHOOSEFONT_GETLOGFONT, 0, reinterpret_cast<LPARAM>(&lf));
      request->apply(ChoiceOf(lf));
      return TRUE;
    }
  } catch (...) {
    // Nothing leaves the chooser's window procedure.
  }
  return FALSE;
}

}  // namespace

std::optional<std::string> Win32CommonDialogs::OpenFile(WindowHandle owner, const FileChoice& choice) {
  return RunFileChooser(owner, choice, false);
}

std::optional<std::string> Win32CommonDialogs::SaveFile(WindowHandle owner, const FileChoice& choice) {
  return RunFileChooser(owner, choice, true);
}

std::optional<uint32_t> Win32CommonDialogs::PickColor(WindowHandle owner, uint32_t initial) {
  CHOOSECOLORA cc = {};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = OwnerWindow(owner);
  cc.rgbResult = initial;
  cc.lpCustColors = customColors_;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!ChooseColorA(&cc)) return std::nullopt;
  return static_cast<uint32_t>(cc.rgbResult);
}

std::optional<CaptionFont> Win32CommonDialogs::PickFont(WindowHandle owner, const FontRequest& request) {
  LOGFONTA lf = {};
  lf.lfHeight = request.initial.height;
  lf.lfWeight = request.initial.weight;
  lf.lfItalic = request.initial.italic;
  lf.lfUnderline = request.initial.underline;
  lf.lfStrikeOut = request.initial.strikeOut;
  lf.lfCharSet = request.initial.charSet;
  lf.lfQuality = ANTIALIASED_QUALITY;
  // A longer name can only come from a hand-edited file: cut to the field.
  std::strncpy(lf.lfFaceName, request.initial.faceName.c_str(), LF_FACESIZE - 1);

  CHOOSEFONTA cf = {};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = OwnerWindow(owner);
  cf.lpLogFont = &lf;
  cf.rgbColors = request.color;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
  if (request.apply) {
    cf.Flags |= CF_APPLY | CF_ENABLEHOOK;
    cf.lpfnHook = &FontHook;
    cf.lCustData = reinterpret_cast<LPARAM>(&request);
  }
  if (!ChooseFontA(&cf)) return std::nullopt;
  return ChoiceOf(lf);
}

}  // namespace qlv
