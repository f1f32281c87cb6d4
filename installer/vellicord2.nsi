; Vellicord2's Windows installer: puts the .scr that fits the system into the folder the Screen
; Saver list reads, with an Add/Remove Programs entry, and optionally selects it for the user.
; makensis -DVERSION=x.y.z -DSCR32=... -DSCR64=... -DLICENSE=... -DREADME=... -DOUTFILE=...
Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellicord2"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "Vellicord2"
OutFile "${OUTFILE}"
BrandingText "Vellicord2 ${VERSION}"
; No Ignore on a file that can't be written (the preview holding the .scr): Retry or Cancel,
; never an install with the old file left in place.
AllowSkipFiles off
; File would store each file's modification time in the installer, so two builds of one commit
; would differ by the times the files were built; installed files take the install's time.
SetDateSave off

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(SelectSaverText)"
!define MUI_FINISHPAGE_RUN_FUNCTION SelectSaverAndOpenSettings

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The setup dialog speaks both; the installer follows the user's language, English otherwise.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"
LangString SelectSaverText ${LANG_ENGLISH} "Use Vellicord2 as my screen saver and open the Screen Saver Settings"
LangString SelectSaverText ${LANG_JAPANESE} "Vellicord2 をスクリーン セーバーにして、スクリーン セーバーの設定を開く"

; The installer's own version record, as Explorer's Properties show it.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "Vellicord2"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "Vellicord2 ${VERSION} setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright (c) 2026 the Vellicord2 authors. MIT License."

; The Screen Saver list reads the system folder. A 32-bit program (this installer) writing to
; System32 on 64-bit Windows is redirected to SysWOW64 unless it turns redirection off; the
; 64-bit registry view holds the entry that Add/Remove Programs shows there.
!macro SystemView
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    SetRegView 64
  ${EndIf}
!macroend

!macro OwnView
  ${If} ${RunningX64}
    ${EnableX64FSRedirection}
    SetRegView 32
  ${EndIf}
!macroend

Function .onInit
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\Vellicord2"
  ${Else}
    StrCpy $INSTDIR "$PROGRAMFILES\Vellicord2"
  ${EndIf}
FunctionEnd

; The installing user's saver becomes the installed file (the Screen Saver Settings write
; SCRNSAVE.EXE and ScreenSaveActive the same way).
Function SelectSaver
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\Vellicord2.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
FunctionEnd

Function SelectSaverAndOpenSettings
  Call SelectSaver
  ; The 64-bit Control Panel: a redirected 32-bit one would list SysWOW64's savers.
  !insertmacro SystemView
  Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  !insertmacro OwnView
FunctionEnd

Section "Vellicord2"
  !insertmacro SystemView
  SetOutPath "$SYSDIR"
  ; Stored as they are, so the build can check that the installer carries the files it built.
  SetCompress off
  ${If} ${RunningX64}
    File "/oname=Vellicord2.scr" "${SCR64}"
  ${Else}
    File "/oname=Vellicord2.scr" "${SCR32}"
  ${EndIf}
  SetCompress auto

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; One key, written whole again by every install: installing over an earlier version leaves
  ; one entry.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vellicord2"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "the Vellicord2 authors"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\Vellicord2.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$SYSDIR" "/M=Vellicord2.scr /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  !insertmacro OwnView

  ; Silent installs leave the user's choice of saver alone unless asked with /select.
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/select" $1
    ${IfNot} ${Errors}
      Call SelectSaver
    ${EndIf}
  ${EndIf}
SectionEnd

Section "Uninstall"
  ; Sections run on a thread of their own, and redirection is switched per thread.
  !insertmacro SystemView
  ; Windows must never point at a missing file: a selection of this saver goes with it, in
  ; either spelling of its path. Any other saver stays selected, and the five settings under
  ; HKCU\Vellicord2 stay for a later install.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  StrCpy $3 0
  ${If} $0 == "$SYSDIR\Vellicord2.scr"
    StrCpy $3 1
  ${ElseIf} $0 != ""
    GetFullPathName /SHORT $1 "$SYSDIR\Vellicord2.scr"
    GetFullPathName /SHORT $2 "$0"
    ${If} $1 != ""
    ${AndIf} $1 == $2
      StrCpy $3 1
    ${EndIf}
  ${EndIf}
  ${If} $3 == 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  Delete "$SYSDIR\Vellicord2.scr"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
