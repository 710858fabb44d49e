; The Windows installer: both programs under Program Files, a Start-menu
; entry, .nltrack files opened by tarnwick.exe with a double-click, and an
; uninstaller listed in Add/Remove Programs. /S installs and uninstalls
; silently.
;   makensis -DVERSION=1.1.0 -DSTAGE=DIR -DOUTFILE=SETUP.exe tarnwick.nsi
; STAGE holds tarnwick.exe, tarnwick-cli.exe, README.txt and LICENSE.txt.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define APP "Tarnwick"
!define PROG_ID "Tarnwick.Track"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
RequestExecutionLevel admin
ManifestDPIAware true

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "The Tarnwick authors, MIT License"

!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tarnwick.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Tarnwick"
  SetOutPath "$INSTDIR"
  File "${STAGE}/tarnwick.exe"
  File "${STAGE}/tarnwick-cli.exe"
  File "${STAGE}/README.txt"
  File "${STAGE}/LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\tarnwick.exe"

  ; A double-click on a track opens it in the window.
  WriteRegStr HKLM "Software\Classes\.nltrack" "" "${PROG_ID}"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}" "" "Roller-coaster track"
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open\command" "" '"$INSTDIR\tarnwick.exe" "%1"'
  ; Tells Explorer that an association changed (SHCNE_ASSOCCHANGED).
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Tarnwick authors"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnwick.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\tarnwick.exe"
  Delete "$INSTDIR\tarnwick-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"

  ; The extension is left alone when another program has taken it since.
  ReadRegStr $0 HKLM "Software\Classes\.nltrack" ""
  StrCmp $0 "${PROG_ID}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.nltrack"
  DeleteRegKey HKLM "Software\Classes\${PROG_ID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
