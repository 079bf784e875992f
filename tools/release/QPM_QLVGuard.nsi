; Installer for the plug-in: puts the DLL into <host folder>\Plugins\ and the guides
; into <host folder>\Plugins\QPM_QLVGuard\, registers an uninstaller for the current
; user. makensis -INPUTCHARSET UTF8 -DVERSION=x.yy -DSTAGE=<dir> -DOUTFILE=<file>
; STAGE holds QPM_QLVGuard.dll and the two guides.

!ifndef VERSION | STAGE | OUTFILE
  !error "VERSION, STAGE and OUTFILE must be defined"
!endif

Unicode true
SetCompressor /SOLID lzma
; Host folders usually sit under Program Files: administrators are asked to elevate,
; other users install where they may write.
RequestExecutionLevel highest

!define PRODUCT "QPM_QLVGuard"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define GUIDE_DIR "$INSTDIR\Plugins\${PRODUCT}"
!define UNINSTALLER "${GUIDE_DIR}\uninstall.exe"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Quelvar"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

; No copyright line in the version record: nothing to say there.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_DIRECTORYPAGE_TEXT_TOP "$(DirTop)"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "$(DirDestination)"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "${GUIDE_DIR}\$(GuideFile)"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(OpenGuide)"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(UnKeepText)"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; No language dialog: the first language that matches the system's wins, else English.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString DirTop ${LANG_ENGLISH} "Setup puts ${PRODUCT} ${VERSION} into the Plugins folder of Quelvar.$\r$\n$\r$\nChoose the folder where Quelvar is installed: the folder that holds its program file."
LangString DirTop ${LANG_RUSSIAN} "Программа установки поместит ${PRODUCT} ${VERSION} в папку Plugins программы Quelvar.$\r$\n$\r$\nУкажите папку, в которую установлена Quelvar: ту, где лежит её исполняемый файл."
LangString DirDestination ${LANG_ENGLISH} "Quelvar folder"
LangString DirDestination ${LANG_RUSSIAN} "Папка Quelvar"
LangString GuideFile ${LANG_ENGLISH} "${PRODUCT}-guide-en.html"
LangString GuideFile ${LANG_RUSSIAN} "${PRODUCT}-guide-ru.html"
LangString OpenGuide ${LANG_ENGLISH} "Open the user guide"
LangString OpenGuide ${LANG_RUSSIAN} "Открыть руководство пользователя"
LangString DisplayName ${LANG_ENGLISH} "${PRODUCT} ${VERSION} (Quelvar plug-in)"
LangString DisplayName ${LANG_RUSSIAN} "${PRODUCT} ${VERSION} (плагин Quelvar)"
LangString UnKeepText ${LANG_ENGLISH} "The plug-in and its guides are removed. Your settings (${PRODUCT}.ini) and the mask files they use stay for a later installation unless you tick them here."
LangString UnKeepText ${LANG_RUSSIAN} "Плагин и руководство будут удалены. Ваши настройки (${PRODUCT}.ini) и файлы масок, которые в них указаны, останутся для следующей установки, если не отметить их здесь."

Section "-Plug-in"
  SetOutPath "$INSTDIR\Plugins"
  File "${STAGE}\${PRODUCT}.dll"
  SetOutPath "${GUIDE_DIR}"
  File "${STAGE}\${PRODUCT}-guide-en.html"
  File "${STAGE}\${PRODUCT}-guide-ru.html"
  WriteUninstaller "${UNINSTALLER}"

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "$(DisplayName)"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "${UNINSTALLER}"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller lives in <host folder>\Plugins\QPM_QLVGuard\; everything below works
; on the host folder, two levels up.
Function un.onInit
  GetFullPathName $INSTDIR "$INSTDIR\..\.."
FunctionEnd

Section "un.$(UnSecPlugin)" UnSecPlugin
  SectionIn RO
  ; A DLL held by a running host goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\Plugins\${PRODUCT}.dll"
  Delete "${GUIDE_DIR}\${PRODUCT}-guide-en.html"
  Delete "${GUIDE_DIR}\${PRODUCT}-guide-ru.html"
  DeleteRegKey HKCU "${UNINST_KEY}"
  Delete "${UNINSTALLER}"
  ; Only when empty: nothing the user put there is touched.
  RMDir "${GUIDE_DIR}"
  RMDir "$INSTDIR\Plugins"
SectionEnd

; Deletes one settings file and the mask file it names. Only a name ending in .msk is
; taken for a mask, so a hand-edited file cannot make this delete anything else.
!macro UnDeleteSettingsFile INI
  ${If} ${FileExists} "${INI}"
    ReadINIStr $1 "${INI}" "PluginSettings" "MaskFileName"
    StrCpy $2 $1 "" -4
    ${If} $2 == ".msk"
      Delete "$1"
    ${EndIf}
    Delete "${INI}"
  ${EndIf}
!macroend

; $0: a base folder (the host's, or the user's application-data one); the settings file
; sits in its Plugins\ and in Instances\<id>\Plugins\ for every host instance.
Function un.DeleteSettingsUnder
  Push $3
  Push $4
  !insertmacro UnDeleteSettingsFile "$0\Plugins\${PRODUCT}.ini"
  RMDir "$0\Plugins"
  FindFirst $3 $4 "$0\Instances\*"
  ${DoWhile} $4 != ""
    ${If} $4 != "."
    ${AndIf} $4 != ".."
      !insertmacro UnDeleteSettingsFile "$0\Instances\$4\Plugins\${PRODUCT}.ini"
      RMDir "$0\Instances\$4\Plugins"
    ${EndIf}
    FindNext $3 $4
  ${Loop}
  FindClose $3
  Pop $4
  Pop $3
FunctionEnd

Section /o "un.$(UnSecSettings)" UnSecSettings
  StrCpy $0 "$INSTDIR"
  Call un.DeleteSettingsUnder
  SetShellVarContext current
  StrCpy $0 "$APPDATA\Quelvar"
  Call un.DeleteSettingsUnder
SectionEnd

LangString UnSecPlugin ${LANG_ENGLISH} "Plug-in and user guides"
LangString UnSecPlugin ${LANG_RUSSIAN} "Плагин и руководство пользователя"
LangString UnSecSettings ${LANG_ENGLISH} "Settings and masks"
LangString UnSecSettings ${LANG_RUSSIAN} "Настройки и маски"
