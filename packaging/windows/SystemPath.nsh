; Puts a folder on the system's PATH, or takes it off again: the value Path
; of HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment.
;
; The value is read, searched and written with the Windows functions in a
; buffer of its own size, never in NSIS variables: those hold 1024
; characters, and a longer PATH cut to that length would lose its end.
; Entries are compared without regard to case, with or without a final
; backslash; every other entry, empty ones included, keeps its place and its
; spelling, and the value keeps its type (REG_EXPAND_SZ or REG_SZ).
;
;   Push "C:\Program Files\Tarnwick"
;   Call AddToSystemPath   ; leaves "added", "present" or "failed: REASON"
;   Pop $0
; RemoveFromSystemPath and un.RemoveFromSystemPath leave "removed", "absent"
; or "failed: REASON".

!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define SYSTEM_PATH_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

; $R0 key, $R1 result of the last call, $R2 type, $R3 size in bytes,
; $R4 buffer: ";" + PATH + ";", $R5 PATH within it, $R6 scratch,
; $R7 outcome, $R8 what to do ("add" or "remove"), $R9 the folder.
!macro SYSTEM_PATH_EDIT UN
Function ${UN}EditSystemPath
  Exch $R8
  Exch
  Exch $R9
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  StrCpy $R4 0

  ; KEY_QUERY_VALUE | KEY_SET_VALUE | READ_CONTROL
  System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "${SYSTEM_PATH_KEY}", i 0, i 0x20003, *p .R0) i .R1'
  ${If} $R1 <> 0
    StrCpy $R7 "failed: the environment cannot be opened (error $R1)"
    Goto done
  ${EndIf}
  System::Call 'advapi32::RegQueryValueExW(p R0, w "Path", p 0, *i .R2, p 0, *i .R3) i .R1'
  ${If} $R1 = 2  ; ERROR_FILE_NOT_FOUND: no PATH yet
    StrCpy $R2 2  ; REG_EXPAND_SZ
    StrCpy $R3 0
  ${ElseIf} $R1 <> 0
    StrCpy $R7 "failed: PATH cannot be read (error $R1)"
    Goto close
  ${ElseIf} $R2 <> 1  ; REG_SZ
  ${AndIf} $R2 <> 2
    StrCpy $R7 "failed: PATH is not text (registry type $R2)"
    Goto close
  ${EndIf}

  ; Room for the value, the folder, the separators and a terminating zero;
  ; the memory comes zeroed.
  StrLen $R6 $R9
  IntOp $R6 $R6 + 8
  IntOp $R6 $R6 * 2
  IntOp $R6 $R6 + $R3
  System::Alloc $R6
  Pop $R4
  ${If} $R4 P= 0
    StrCpy $R7 "failed: out of memory"
    Goto close
  ${EndIf}
  System::Call 'kernel32::lstrcpyW(p R4, w ";")'
  IntPtrOp $R5 $R4 + 2
  ${If} $R3 > 0
    System::Call 'advapi32::RegQueryValueExW(p R0, w "Path", p 0, p 0, p R5, *i R3) i .R1'
    ${If} $R1 <> 0
      StrCpy $R7 "failed: PATH cannot be read (error $R1)"
      Goto close
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::lstrcatW(p R4, w ";")'

  ${If} $R8 == "add"
    System::Call 'shlwapi::StrStrIW(p R4, w ";$R9;") p .R6'
    ${If} $R6 P= 0
      System::Call 'shlwapi::StrStrIW(p R4, w ";$R9\;") p .R6'
    ${EndIf}
    ${If} $R6 P<> 0
      StrCpy $R7 "present"
      Goto close
    ${EndIf}
    ; Drop the final ";" of the search, then append the folder: "A;B"
    ; becomes "A;B;FOLDER", "A;B;" becomes "A;B;FOLDER;" (so that taking
    ; it off gives back the same value), and "" becomes "FOLDER".
    System::Call 'kernel32::lstrlenW(p R4) i .R6'
    IntOp $R6 $R6 - 1
    IntOp $R6 $R6 * 2
    IntPtrOp $R6 $R4 + $R6
    System::Call '*$R6(&i2 0)'
    System::Call 'kernel32::lstrlenW(p R5) i .R6'
    ${If} $R6 = 0
      System::Call 'kernel32::lstrcatW(p R5, w "$R9")'
    ${Else}
      IntOp $R6 $R6 - 1
      IntOp $R6 $R6 * 2
      IntPtrOp $R6 $R5 + $R6
      System::Call '*$R6(&i2 .R6)'
      ${If} $R6 = 59  ; ";"
        System::Call 'kernel32::lstrcatW(p R5, w "$R9;")'
      ${Else}
        System::Call 'kernel32::lstrcatW(p R5, w ";$R9")'
      ${EndIf}
    ${EndIf}
    StrCpy $R7 "added"
  ${Else}
    ; Cut out each ";FOLDER" and ";FOLDER\" that a ";" follows.
    StrCpy $R7 "absent"
    ${Do}
      System::Call 'shlwapi::StrStrIW(p R4, w ";$R9;") p .R6'
      StrLen $R1 ";$R9"
      ${If} $R6 P= 0
        System::Call 'shlwapi::StrStrIW(p R4, w ";$R9\;") p .R6'
        StrLen $R1 ";$R9\"
      ${EndIf}
      ${IfThen} $R6 P= 0 ${|} ${Break} ${|}
      IntOp $R1 $R1 * 2
      IntPtrOp $R1 $R6 + $R1
      System::Call 'kernel32::lstrlenW(p R1) i .R3'
      IntOp $R3 $R3 + 1
      IntOp $R3 $R3 * 2
      System::Call 'ntdll::RtlMoveMemory(p R6, p R1, p R3)'
      StrCpy $R7 "removed"
    ${Loop}
    ${If} $R7 == "absent"
      Goto close
    ${EndIf}
    ; Drop the ";" added at either end: the buffer is ";" + PATH + ";", or
    ; ";" alone when nothing else is left.
    System::Call 'kernel32::lstrlenW(p R4) i .R6'
    ${If} $R6 > 1
      IntOp $R6 $R6 - 1
      IntOp $R6 $R6 * 2
      IntPtrOp $R6 $R4 + $R6
      System::Call '*$R6(&i2 0)'
    ${EndIf}
  ${EndIf}

  System::Call 'kernel32::lstrlenW(p R5) i .R3'
  IntOp $R3 $R3 + 1
  IntOp $R3 $R3 * 2
  System::Call 'advapi32::RegSetValueExW(p R0, w "Path", i 0, i R2, p R5, i R3) i .R1'
  ${If} $R1 <> 0
    StrCpy $R7 "failed: PATH cannot be written (error $R1)"
    Goto close
  ${EndIf}
  ; Programs started from now on (a new command prompt) see the new PATH.
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000

close:
  System::Call 'advapi32::RegCloseKey(p R0)'
done:
  ${If} $R4 P<> 0
    System::Free $R4
  ${EndIf}
  StrCpy $R9 $R7
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
  Exch $R9
  Exch
  Pop $R8
FunctionEnd
!macroend

!insertmacro SYSTEM_PATH_EDIT ""
!insertmacro SYSTEM_PATH_EDIT "un."

; FOLDER on the stack; leaves the outcome there.
Function AddToSystemPath
  Push "add"
  Call EditSystemPath
FunctionEnd

Function un.RemoveFromSystemPath
  Push "remove"
  Call un.EditSystemPath
FunctionEnd

Function RemoveFromSystemPath
  Push "remove"
  Call EditSystemPath
FunctionEnd
