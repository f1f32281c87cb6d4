; Vellicord2's Windows installer: puts the .scr that fits the system into the folder the Screen
; Saver list reads, with an Add/Remove Programs entry, and optionally selects it for the user.
; makensis -DVERSION=x.y.z -DSCR32=... -DSCR64=... -DLICENSE=... -DREADME=... -DICON=... -DOUTFILE=...
;          [-DSIGN_COMMAND=...]
Unicode true
ManifestDPIAware true
; setup.exe and the uninstaller each run in two parts. The part the user starts runs as that user:
; it shows the pages, selects the saver and opens the Screen Saver Settings, all in that user's
; registry and session. It starts a copy of itself elevated (/elevated, silent) for what needs an
; administrator: the file in the system folder and the Add/Remove Programs entry. A program that
; asked for elevation as a whole would run as whoever typed the administrator's password, and a
; standard user would find the administrator's saver selected and not their own.
RequestExecutionLevel user
SetCompressor lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include MUI2.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellicord2"
!define DESKTOP_KEY "Control Panel\Desktop"
; The exit code Windows Installer and deployment tools read as "done; a restart finishes it".
!define REBOOT_REQUIRED 3010

!ifdef SIGN_COMMAND
  ; Signed as makensis writes them: setup.exe, and the uninstaller before it goes inside it.
  !finalize '${SIGN_COMMAND} "%1"' = 0
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
!endif

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
LangString NeedsAdminText ${LANG_ENGLISH} "Vellicord2 goes into the Windows system folder, which needs an administrator's permission. Nothing was changed."
LangString NeedsAdminText ${LANG_JAPANESE} "Vellicord2 は Windows のシステム フォルダーに入るため、管理者の許可が必要です。何も変更されていません。"
LangString ElevatedFailedText ${LANG_ENGLISH} "The administrator's part of this program stopped with code $0. If the Screen Saver Settings are open, close them and try again."
LangString ElevatedFailedText ${LANG_JAPANESE} "管理者として実行する部分がコード $0 で終了しました。スクリーン セーバーの設定が開いていれば閉じてから、もう一度実行してください。"
LangString InUseText ${LANG_ENGLISH} "Vellicord2.scr is in use (the Screen Saver Settings may be showing it). It is no longer your screen saver and will be removed when Windows restarts."
LangString InUseText ${LANG_JAPANESE} "Vellicord2.scr は使用中です (スクリーン セーバーの設定が表示している可能性があります)。スクリーン セーバーからは外しました。Windows の再起動時に削除されます。"
LangString BadDirText ${LANG_ENGLISH} "The folder given with /D= is not a full path with a drive letter or a network share: $INSTDIR"
LangString BadDirText ${LANG_JAPANESE} "/D= で指定されたフォルダーが、ドライブ文字またはネットワーク共有で始まる完全なパスではありません: $INSTDIR"

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

; 1 in the copy started elevated, which runs silently.
Var Elevated

!macro FindElevatedPart
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/elevated" $1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
    SetSilent silent
  ${EndIf}
!macroend

; Starts this program again, elevated, with the parameters given, and waits for it: $0 becomes
; its exit code, or "refused" when it never started (the prompt declined, or no administrator
; at hand). ShellExecuteEx, since CreateProcess cannot raise a program's rights.
!macro RunElevatedPart parameters
  ; SHELLEXECUTEINFOW: SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC, the "runas" verb.
  System::Call '*(&l4, i 0x140, p $HWNDPARENT, w "runas", w "$EXEPATH", w "${parameters}", w "$EXEDIR", i 1, p, p, p, p, i, p, p) p .r9'
  System::Call 'shell32::ShellExecuteExW(p r9) i .r0'
  ${If} $0 = 0
    StrCpy $0 refused
  ${Else}
    System::Call '*$9(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r8)'
    System::Call 'kernel32::WaitForSingleObject(p r8, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r8, *i .r0)'
    System::Call 'kernel32::CloseHandle(p r8)'
  ${EndIf}
  System::Free $9
!macroend

; The elevated part never started, or stopped short: say why, and end with its code.
!macro ElevatedPartFailed
  ${If} $0 == refused
    MessageBox MB_ICONSTOP "$(NeedsAdminText)" /SD IDOK
    SetErrorLevel 5
  ${Else}
    MessageBox MB_ICONSTOP "$(ElevatedFailedText)" /SD IDOK
    SetErrorLevel $0
  ${EndIf}
  Abort
!macroend

Function .onInit
  !insertmacro FindElevatedPart
  ; /D= sets $INSTDIR before this runs, and is taken as given. A folder NSIS can't take (no
  ; drive letter or share: read against the current folder) it drops silently, leaving
  ; $INSTDIR empty; the command line as started still has it, and then the install is refused.
  ${If} $INSTDIR == ""
    System::Call 'kernel32::GetCommandLineW() w .r0'
    ClearErrors
    ${GetOptions} $0 "/D=" $1
    ${IfNot} ${Errors}
      StrCpy $INSTDIR $1
      MessageBox MB_ICONSTOP "$(BadDirText)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\Vellicord2"
    ${Else}
      StrCpy $INSTDIR "$PROGRAMFILES\Vellicord2"
    ${EndIf}
  ${EndIf}
FunctionEnd

; The user's saver becomes the installed file (the Screen Saver Settings write SCRNSAVE.EXE and
; ScreenSaveActive the same way). Runs in the part the user started: HKCU is theirs.
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

; The elevated part's work.
Function InstallFiles
  !insertmacro SystemView
  SetOutPath "$SYSDIR"
  ; Stored as they are, so the build can check that the installer carries the files it built.
  SetCompress off
  ; Only on an x64 machine the 64-bit build: Windows on ARM64 also runs 32-bit programs as
  ; WoW64 (so it passes for 64-bit Windows), but not every version of it runs x64 ones.
  ${If} ${IsNativeAMD64}
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
FunctionEnd

Section "Vellicord2"
  ${If} $Elevated == 1
    Call InstallFiles
    Return
  ${EndIf}
  ; /D= goes last: everything after it is the folder.
  !insertmacro RunElevatedPart "/S /elevated /D=$INSTDIR"
  ${If} $0 != 0
    !insertmacro ElevatedPartFailed
  ${EndIf}
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

; The system file's path in its short form as well, taken while the file exists.
Var ShortPath

Function un.onInit
  !insertmacro FindElevatedPart
  !insertmacro SystemView
  GetFullPathName /SHORT $ShortPath "$SYSDIR\Vellicord2.scr"
  !insertmacro OwnView
FunctionEnd

; Windows must never point at a missing file: a selection of this saver goes with it, in either
; spelling of its path. Any other saver stays selected, and the five settings under
; HKU\...\Vellicord2 stay for a later install. $R0 is the hive's root under HKU, or "" for HKCU.
Function un.ClearSelection
  ${If} $R0 == ""
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${Else}
    ReadRegStr $0 HKU "$R0\${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  ${If} $0 == ""
    Return
  ${EndIf}
  ; LogicLib compares without letter case, as Windows does paths.
  StrCpy $3 0
  GetFullPathName /SHORT $2 "$0"
  ${If} $0 == "$SYSDIR\Vellicord2.scr"
    StrCpy $3 1
  ${ElseIf} $ShortPath != ""
    ${If} $0 == $ShortPath
    ${OrIf} $2 == $ShortPath
      StrCpy $3 1
    ${EndIf}
  ${EndIf}
  ${If} $3 == 1
    ${If} $R0 == ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${Else}
      DeleteRegValue HKU "$R0\${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
FunctionEnd

; The elevated part's work. Besides its own user's, every user hive loaded now: the user who
; started the uninstall may have elevated as someone else, and whoever else is logged on keeps
; no selection of a file that is gone.
Function un.RemoveFiles
  !insertmacro SystemView
  StrCpy $R0 ""
  Call un.ClearSelection
  StrCpy $R1 0
  ${Do}
    EnumRegKey $R0 HKU "" $R1
    ${If} $R0 == ""
      ${ExitDo}
    ${EndIf}
    Call un.ClearSelection
    IntOp $R1 $R1 + 1
  ${Loop}

  ; A saver the Screen Saver Settings are previewing is a running program: its file goes when
  ; Windows restarts, and the entry goes now, as nothing would be left for it to uninstall.
  Delete /REBOOTOK "$SYSDIR\Vellicord2.scr"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  !insertmacro OwnView
  ${If} ${RebootFlag}
    SetErrorLevel ${REBOOT_REQUIRED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ${If} $Elevated == 1
    Call un.RemoveFiles
    Return
  ${EndIf}
  ; _?= goes last, and keeps the elevated copy from copying itself away again.
  !insertmacro RunElevatedPart "/S /elevated _?=$INSTDIR"
  ${If} $0 != 0
  ${AndIf} $0 != ${REBOOT_REQUIRED}
    !insertmacro ElevatedPartFailed
  ${EndIf}
  StrCpy $R2 $0
  StrCpy $R0 ""
  Call un.ClearSelection
  ${If} $R2 == ${REBOOT_REQUIRED}
    MessageBox MB_ICONINFORMATION "$(InUseText)" /SD IDOK
    SetErrorLevel ${REBOOT_REQUIRED}
  ${EndIf}
SectionEnd
