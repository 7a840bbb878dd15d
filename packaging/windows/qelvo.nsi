; The Windows installer of Qelvo: the card index and its calculator for the current user, without administrator
; rights, in %LOCALAPPDATA%\Programs\Qelvo, with Start-menu entries, an entry in "Apps & features" and, as an option
; on by default, the .qelvo association of the current user (the same entries as the program's own button).
;
; makensis -INPUTCHARSET UTF8 -DVERSION=1.0.6.21 -DFILE_VERSION=1.0.6.21 -DARCH=win32|win64 -DSTAGE=folder
;          -DOUTFILE=setup.exe qelvo.nsi
; STAGE holds the files to install and files.nsh, whose macros InstallFiles and RemoveFiles name them one by one, so
; that the uninstaller removes exactly what was installed and nothing the user put beside it (such as cfg.qelvo).

; The 64-bit installer is a 64-bit program itself, so that it also runs where no 32-bit program can.
!if ${ARCH} == "win64"
Target amd64-unicode
!else
Unicode true
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include "${STAGE}\files.nsh"

!define PRODUCT "Qelvo"
!define PUBLISHER "The Qelvo developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Qelvo"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Qelvo"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Qelvo setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${STAGE}\qelvo.ico"
!define MUI_UNICON "${STAGE}\qelvo.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\qelvo.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\readme.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

; The licence is shown, not asked to be accepted: the GPL needs no acceptance to install and run the program.
!define MUI_LICENSEPAGE_TEXT_BOTTOM "Qelvo 星盘卡片是自由软件，按 GNU 通用公共许可证第 3 版或（由您选择）任何更新的版本发布，不提供任何担保。安装和使用无需接受本许可证；复制、修改和分发时须遵守它。计算器 Corvina 按 GNU Affero 通用公共许可证发布（见 AGPL-3.0.txt）。"
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString SecProgram ${LANG_SIMPCHINESE} "Qelvo 星盘卡片与计算程序"
LangString SecAssociation ${LANG_SIMPCHINESE} "用 Qelvo 打开 .qelvo 文件"
LangString ShortcutCardIndex ${LANG_SIMPCHINESE} "Qelvo 星盘卡片"
LangString ShortcutCalculator ${LANG_SIMPCHINESE} "Corvina 星位计算器"
LangString ShortcutReadme ${LANG_SIMPCHINESE} "Qelvo 说明"
LangString ShortcutUninstall ${LANG_SIMPCHINESE} "卸载 Qelvo"
LangString Needs64 ${LANG_SIMPCHINESE} "这个安装程序是 64 位的，只能装在 64 位 Windows 上。请改用 32 位的安装程序。"

; A calculator of this installation that runs would keep its program from being replaced or removed; it is closed (the
; card index starts it again when it needs it).
!macro CloseCalculator un
Function ${un}CloseCalculator
  FindWindow $0 "Corvina"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    StrCpy $1 0
    ${Do}
      Sleep 100
      IntOp $1 $1 + 1
      IsWindow $0 +2 0
      ${Break}
    ${LoopWhile} $1 < 50
    Sleep 300
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CloseCalculator ""
!insertmacro CloseCalculator "un."

Function .onInit
!if ${ARCH} == "win64"
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP|MB_OK "$(Needs64)" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
!endif
  SetShellVarContext current
FunctionEnd

Function un.onInit
!if ${ARCH} == "win64"
  SetRegView 64
!endif
  SetShellVarContext current
FunctionEnd

Section "$(SecProgram)" SecProgram
  SectionIn RO
  Call CloseCalculator
  SetOutPath "$INSTDIR"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Qelvo"
  CreateShortcut "$SMPROGRAMS\Qelvo\$(ShortcutCardIndex).lnk" "$INSTDIR\qelvo.exe" "" "$INSTDIR\qelvo.exe" 0
  CreateShortcut "$SMPROGRAMS\Qelvo\$(ShortcutCalculator).lnk" "$INSTDIR\corvina.exe"
  CreateShortcut "$SMPROGRAMS\Qelvo\$(ShortcutReadme).lnk" "$INSTDIR\readme.txt"
  CreateShortcut "$SMPROGRAMS\Qelvo\$(ShortcutUninstall).lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Qelvo ${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qelvo.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The same four entries as the card index's button "*.qelvo关联" writes for the current user.
Section "$(SecAssociation)" SecAssociation
  WriteRegStr HKCU "${CLASSES}\qelvofile" "" "Qelvo Document"
  WriteRegStr HKCU "${CLASSES}\qelvofile\shell\open\command" "" '"$INSTDIR\qelvo.exe" "%1"'
  WriteRegStr HKCU "${CLASSES}\.qelvo" "" "qelvofile"
  WriteRegStr HKCU "${CLASSES}\.qelvo\ShellNew" "NullFile" ""
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Call un.CloseCalculator
  !insertmacro RemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  ; Only an empty folder goes: documents the user keeps here (cfg.qelvo) stay, and with them the folder.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Qelvo\$(ShortcutCardIndex).lnk"
  Delete "$SMPROGRAMS\Qelvo\$(ShortcutCalculator).lnk"
  Delete "$SMPROGRAMS\Qelvo\$(ShortcutReadme).lnk"
  Delete "$SMPROGRAMS\Qelvo\$(ShortcutUninstall).lnk"
  RMDir "$SMPROGRAMS\Qelvo"

  ; The association goes only while it still opens documents with this installation's program; one that the user
  ; has since given to another copy stays.
  ReadRegStr $0 HKCU "${CLASSES}\qelvofile\shell\open\command" ""
  ${If} $0 == '"$INSTDIR\qelvo.exe" "%1"'
    ReadRegStr $1 HKCU "${CLASSES}\.qelvo" ""
    ${If} $1 == "qelvofile"
      DeleteRegKey HKCU "${CLASSES}\.qelvo"
    ${EndIf}
    DeleteRegKey HKCU "${CLASSES}\qelvofile"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  ${EndIf}

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
