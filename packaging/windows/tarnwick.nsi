; The Windows installer: both programs under Program Files, a Start-menu
; entry, .nltrack files opened by tarnwick.exe with a double-click and shown
; with its icon, tarnwick-cli on PATH (a component, on unless unticked), and
; an uninstaller listed in Add/Remove Programs that undoes all of it.
;   makensis -DVERSION=1.2.0 -DSTAGE=DIR -DICON=tarnwick.ico -DOUTFILE=SETUP.exe tarnwick.nsi
; STAGE holds tarnwick.exe, tarnwick-cli.exe, README.txt and LICENSE.txt.
; SETUP.exe /S installs silently, SETUP.exe /S /NOPATH without the PATH
; entry; uninstall.exe /S removes it silently.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "${__FILEDIR__}/SystemPath.nsh"

!define APP "Tarnwick"
!define PROG_ID "Tarnwick.Track"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"
; The folder this installer put on PATH, kept in the uninstall entry: only
; that entry is taken off again, never one the user made.
!define PATH_ENTRY_VALUE "PathEntry"

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

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\tarnwick.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Tarnwick" SEC_PROGRAMS
  SectionIn RO
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
  WriteRegStr HKLM "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\tarnwick.exe,0"
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

Section "tarnwick-cli on PATH" SEC_PATH
  ; An entry an earlier install made for another folder goes first.
  Call ForgetPathEntry
  Push "$INSTDIR"
  Call AddToSystemPath
  Pop $0
  ${If} $0 == "added"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "${PATH_ENTRY_VALUE}" "$INSTDIR"
    DetailPrint "Added $INSTDIR to PATH"
  ${ElseIf} $0 == "present"
    DetailPrint "$INSTDIR is on PATH already"
  ${Else}
    DetailPrint "PATH was not changed: $0"
    MessageBox MB_OK|MB_ICONEXCLAMATION "tarnwick-cli could not be put on PATH ($0).$\r$\n$\r$\nAdd $INSTDIR to PATH by hand to run tarnwick-cli from any folder." /SD IDOK
  ${EndIf}
SectionEnd

; Installed again without the PATH component: the entry an earlier install
; made goes.
Section "-PATH entry of an earlier install"
  ${IfNot} ${SectionIsSelected} ${SEC_PATH}
    Call ForgetPathEntry
  ${EndIf}
SectionEnd

!macro FORGET_PATH_ENTRY UN
; Takes the entry named in the uninstall entry off PATH, unless the PATH
; section is about to put the same folder there again.
Function ${UN}ForgetPathEntry
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "${PATH_ENTRY_VALUE}"
  ${If} $1 == ""
    Return
  ${EndIf}
  !if "${UN}" == ""
    ${If} ${SectionIsSelected} ${SEC_PATH}
    ${AndIf} $1 == $INSTDIR
      Return
    ${EndIf}
  !endif
  Push $1
  Call ${UN}RemoveFromSystemPath
  Pop $0
  ${If} $0 == "removed"
    DetailPrint "Took $1 off PATH"
  ${ElseIf} $0 != "absent"
    DetailPrint "PATH was not changed: $0"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$1 could not be taken off PATH ($0); remove it by hand." /SD IDOK
    Return
  ${EndIf}
  DeleteRegValue HKLM "${UNINSTALL_KEY}" "${PATH_ENTRY_VALUE}"
FunctionEnd
!macroend
!insertmacro FORGET_PATH_ENTRY ""
!insertmacro FORGET_PATH_ENTRY "un."

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ; /NOPATH: the PATH component unticked, for silent installs.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOPATH" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SEC_PATH}
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SEC_PROGRAMS} "The window (tarnwick.exe), the command line (tarnwick-cli.exe), a Start-menu entry, and .nltrack files opened with a double-click."
  !insertmacro MUI_DESCRIPTION_TEXT ${SEC_PATH} "Adds the program folder to PATH, so that a command prompt runs tarnwick-cli in any folder."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  Call un.ForgetPathEntry
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
