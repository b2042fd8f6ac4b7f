; Tolvane's installer for 64-bit Windows (NSIS 3, built on Debian by
; scripts/make-windows-installer.sh). Per machine, into Program Files\Tolvane,
; with the uninstaller beside the programs. /S installs and uninstalls without
; a question.
;
; Defined on makensis' command line: VERSION, DEPLOY (the folder made by
; `cmake --install`), OUTFILE, ICON, FILES and UNFILES (the lists of the
; folder's files to install and to remove, written by the script), SIZE_KB.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "x64.nsh"

!define APP "Tolvane"
!define PUBLISHER "Tolvane developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"
!define PROGID "Tolvane.GCode"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tolvane"
BrandingText "${APP} ${VERSION}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=0 "ProductName" "${APP}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tolvane.exe"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "English"

!macro OpenWith EXT
  WriteRegStr HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\Applications\tolvane.exe\SupportedTypes" "${EXT}" ""
!macroend

!macro UnOpenWith EXT
  DeleteRegValue HKLM "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\${EXT}"
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
FunctionEnd

Section "Tolvane" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Apps & features.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tolvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; "Open with Tolvane" for G-code programs: offered in Explorer's Open with
  ; list, never made the default of a type that has a program already.
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "G-code"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\tolvane.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\tolvane.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\tolvane.exe" "FriendlyAppName" "${APP}"
  WriteRegStr HKLM "Software\Classes\Applications\tolvane.exe\shell\open\command" "" '"$INSTDIR\tolvane.exe" "%1"'
  !insertmacro OpenWith ".nc"
  !insertmacro OpenWith ".ngc"
  !insertmacro OpenWith ".iso"
  !insertmacro OpenWith ".tap"
  !insertmacro OpenWith ".gcode"

  CreateShortcut "$SMPROGRAMS\Tolvane.lnk" "$INSTDIR\tolvane.exe"
SectionEnd

Section /o "$(DesktopShortcut)" SecDesktop
  CreateShortcut "$DESKTOP\Tolvane.lnk" "$INSTDIR\tolvane.exe"
SectionEnd

LangString DesktopShortcut ${LANG_FRENCH} "Raccourci sur le bureau"
LangString DesktopShortcut ${LANG_GERMAN} "Verknüpfung auf dem Desktop"
LangString DesktopShortcut ${LANG_ENGLISH} "Desktop shortcut"

Section "Uninstall"
  ; What the installer put there, and nothing else: the users' own settings
  ; in %APPDATA%\Tolvane stay.
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tolvane.lnk"
  Delete "$DESKTOP\Tolvane.lnk"
  !insertmacro UnOpenWith ".nc"
  !insertmacro UnOpenWith ".ngc"
  !insertmacro UnOpenWith ".iso"
  !insertmacro UnOpenWith ".tap"
  !insertmacro UnOpenWith ".gcode"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\tolvane.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
