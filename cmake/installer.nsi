; The per-user installer. cmake/packaging.cmake runs makensis on it with
;   VERSION   the product version (VERSION4: as four numbers)
;   OUTFILE   the installer to write
;   FILES     an include of File lines (everything that ships)
;   SHIPPED   an include of RemoveShipped lines, one per file in FILES
;   INI       the default configuration file
;   ICON      the program's icon
;   TARGET64  defined for a 64-bit build: the installer is a 64-bit program too
;
; Nothing here needs administrator rights: the files go to the user's own
; programs folder and every registry value to HKCU. The configuration file
; stays in %APPDATA%\Brivane (where the host looks when there is no
; brivane.ini beside brivane.exe), so it survives an uninstall and an
; installed copy never turns portable.

!ifdef TARGET64
Target amd64-unicode
!else
Unicode true
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Brivane"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brivane"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Brivane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\brivane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Brivane now"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "The Brivane developers"

; $0 = 1 when this installer runs elevated (its token's TokenElevation).
!macro IsElevated UN
Function ${UN}IsElevated
  StrCpy $0 0
  System::Call 'kernel32::GetCurrentProcess() p .r1'
  System::Call 'advapi32::OpenProcessToken(p r1, i 8, *p .r2) i .r3'
  ${If} $3 <> 0
    System::Call 'advapi32::GetTokenInformation(p r2, i 20, *i .r4, i 4, *i .r5) i .r3'
    ${If} $3 <> 0
    ${AndIf} $4 <> 0
      StrCpy $0 1
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
FunctionEnd
!macroend
!insertmacro IsElevated ""

; "Start Brivane now" would start the host with this installer's token: run
; as administrator, an elevated host whose module sits in a folder the
; user's ordinary programs can write. Not offered then.
Function FinishShow
  Call IsElevated
  ${If} $0 == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; $0 = 1 when the Run value's data in $1 starts this folder's brivane.exe,
; in either form the program writes: "<folder>\brivane.exe", alone or
; followed by arguments (the tray menu adds --config "<file>").
!macro IsOwnRunValue UN
Function ${UN}IsOwnRunValue
  StrCpy $0 0
  StrCpy $2 '"$INSTDIR\brivane.exe"'
  StrLen $3 $2
  StrCpy $4 $1 $3
  StrCpy $5 $1 1 $3
  ${If} $4 == $2
  ${AndIf} $5 == ""
    StrCpy $0 1
  ${ElseIf} $4 == $2
  ${AndIf} $5 == " "
    StrCpy $0 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro IsOwnRunValue ""
!insertmacro IsOwnRunValue "un."

; Removes the Run value "Brivane" only when it starts this folder's copy:
; the same name may start a portable copy the user set up from its tray menu.
!macro RemoveOwnRunValue UN
  ReadRegStr $1 HKCU "${RUN_KEY}" "Brivane"
  Call ${UN}IsOwnRunValue
  ${If} $0 == 1
    DeleteRegValue HKCU "${RUN_KEY}" "Brivane"
  ${EndIf}
!macroend

; The host holds brivane.dll and its hooks hold it in every program: stop it
; (it restores every window it hid) before files are replaced or removed.
; Only the host running from this folder: --exit reaches whichever host
; runs in the session, and a portable copy elsewhere is none of ours.
; (One host runs per session; its window's process names its program.)
!macro StopHost
  ${If} ${FileExists} "$INSTDIR\brivane.exe"
    FindWindow $0 "BrivaneHost"
    ${If} $0 <> 0
      System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
      System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r1) p .r2'
      ${If} $2 P<> 0
        StrCpy $3 ""
        System::Call 'kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r3, *i ${NSIS_MAX_STRLEN})'
        System::Call 'kernel32::CloseHandle(p r2)'
        ${If} $3 == "$INSTDIR\brivane.exe"
          ExecWait '"$INSTDIR\brivane.exe" --exit'
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
!macroend

; Even with the host stopped, brivane.dll stays mapped in programs its hooks
; reached (until they next pump messages, and for good in those that showed
; an augmented file dialog), and a mapped file cannot be deleted or
; overwritten. It can be renamed: it goes to the temporary folder, where the
; system's clean-up finds it, and the programs keep running the copy they
; have. (Deleting it at the next restart would need administrator rights.)
!macro RemoveShipped NAME
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    GetTempFileName $1
    Delete $1
    Rename "$INSTDIR\${NAME}" $1
  ${EndIf}
!macroend

Section "Brivane" SEC_MAIN
  SectionIn RO
  !insertmacro StopHost
  !include "${SHIPPED}"
  SetOutPath "$INSTDIR"
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; A first configuration with a few favourites; never over the user's own.
  SetOutPath "$APPDATA\Brivane"
  SetOverwrite off
  File "/oname=brivane.ini" "${INI}"
  SetOverwrite on
  SetOutPath "$INSTDIR"

  CreateShortcut "$SMPROGRAMS\Brivane.lnk" "$INSTDIR\brivane.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\brivane.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; A value that starts another copy (a portable one, set up from its tray
; menu) is the user's choice: asked about, and kept in a silent install.
Section "Start at log-on" SEC_STARTUP
  ReadRegStr $1 HKCU "${RUN_KEY}" "Brivane"
  Call IsOwnRunValue
  ${If} $1 != ""
  ${AndIf} $0 != 1
    MessageBox MB_YESNO|MB_ICONQUESTION "Brivane already starts at log-on, from$\r$\n$1$\r$\n$\r$\nStart this installed copy at log-on instead?" /SD IDNO IDYES replace
    Goto done
  ${EndIf}
  replace:
  WriteRegStr HKCU "${RUN_KEY}" "Brivane" '"$INSTDIR\brivane.exe"'
  done:
SectionEnd

; Installing again without the choice takes back only our own value.
Section "-startup off"
  ${IfNot} ${SectionIsSelected} ${SEC_STARTUP}
    !insertmacro RemoveOwnRunValue ""
  ${EndIf}
SectionEnd

; The user's configuration (%APPDATA%\Brivane) and the list of hidden
; windows beside it stay: they are the user's data, and a later install
; takes them up again.
Section "Uninstall"
  !insertmacro StopHost
  !insertmacro RemoveOwnRunValue "un."
  Delete "$SMPROGRAMS\Brivane.lnk"
  !include "${SHIPPED}"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: whatever the user put there is not ours to delete.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
