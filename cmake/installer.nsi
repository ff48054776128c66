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

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\brivane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Brivane now"

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
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

; The host holds brivane.dll and its hooks hold it in every program: stop it
; (it restores every window it hid) before files are replaced or removed.
; Exit code 1 only says none was running.
!macro StopHost
  ${If} ${FileExists} "$INSTDIR\brivane.exe"
    ExecWait '"$INSTDIR\brivane.exe" --exit'
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

Section "Start at log-on" SEC_STARTUP
  WriteRegStr HKCU "${RUN_KEY}" "Brivane" '"$INSTDIR\brivane.exe"'
SectionEnd

; Installing again without the choice takes back only our own value: the
; same name may start a portable copy the user set up from its tray menu.
Section "-startup off"
  ${IfNot} ${SectionIsSelected} ${SEC_STARTUP}
    ReadRegStr $0 HKCU "${RUN_KEY}" "Brivane"
    ${If} $0 == '"$INSTDIR\brivane.exe"'
      DeleteRegValue HKCU "${RUN_KEY}" "Brivane"
    ${EndIf}
  ${EndIf}
SectionEnd

; The user's configuration (%APPDATA%\Brivane) and the list of hidden
; windows beside it stay: they are the user's data, and a later install
; takes them up again.
Section "Uninstall"
  !insertmacro StopHost
  ReadRegStr $0 HKCU "${RUN_KEY}" "Brivane"
  ${If} $0 == '"$INSTDIR\brivane.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "Brivane"
  ${EndIf}
  Delete "$SMPROGRAMS\Brivane.lnk"
  !include "${SHIPPED}"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: whatever the user put there is not ours to delete.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
