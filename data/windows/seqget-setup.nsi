; Seqget's installer for 64-bit Windows 10 and 11, built by
; scripts/windows/installer.py with makensis (UTF-8 input). That script
; defines:
;   SEQGET_VERSION     the file version, e.g. 1.05.0001
;   SEQGET_VI_VERSION  the same as four numbers, e.g. 1.5.0.1
;   SEQGET_FILES       an include with the macros SEQGET_INSTALL_FILES and
;                      SEQGET_UNINSTALL_FILES, made from the zip's file list
;   SEQGET_SIZE_KB     what those files take, in KiB
;   SEQGET_ICON        the program's icon
;   SEQGET_OUTFILE     the installer to write
;   SEQGET_SIGN        (only when signing) a command that signs the file %1
;
; It installs for the current user only, without administrator rights, into
; %LOCALAPPDATA%\Programs\Seqget; adds a Start-menu shortcut and an entry in
; Apps & features (HKCU); and over an installed Seqget it first runs that
; one's uninstaller, so files an older version had are not left behind.
; The uninstaller removes the files it installed, the shortcut and the entry,
; and nothing else: the settings (HKCU\Software\VB and VBA Program
; Settings\Seqget), the log and the downloads stay, even in the program's folder.

Unicode true
; A 64-bit installer for a 64-bit program: 32-bit Windows refuses to start it
; (with its own message), and Wine runs it without its 32-bit half.
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include "${SEQGET_FILES}"

!define SEQGET_PUBLISHER "Seqget developers"
!define SEQGET_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Seqget"
!define SEQGET_UNINSTALLER "Uninstall.exe"

!ifdef SEQGET_SIGN
!finalize '${SEQGET_SIGN}' = 0
!uninstfinalize '${SEQGET_SIGN}' = 0
!endif

Name "Seqget"
OutFile "${SEQGET_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Seqget"
InstallDirRegKey HKCU "${SEQGET_UNINSTALL_KEY}" "InstallLocation"
BrandingText "Seqget ${SEQGET_VERSION}"

VIProductVersion "${SEQGET_VI_VERSION}"
VIFileVersion "${SEQGET_VI_VERSION}"
VIAddVersionKey /LANG=1041 "ProductName" "Seqget"
VIAddVersionKey /LANG=1041 "ProductVersion" "${SEQGET_VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${SEQGET_VERSION}"
VIAddVersionKey /LANG=1041 "FileDescription" "Seqget セットアップ"
VIAddVersionKey /LANG=1041 "CompanyName" "${SEQGET_PUBLISHER}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) 2026 the Seqget developers"

!define MUI_ICON "${SEQGET_ICON}"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Seqget.exe"
!define MUI_UNCONFIRMPAGE_TEXT_TOP "Seqget のプログラムファイル、スタートメニューのショートカット、「アプリと機能」の項目を削除します。設定（レジストリ）、ログ、ダウンロードしたファイルは削除されずに残ります。"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
    ${IfNot} ${AtLeastWin10}
        MessageBox MB_OK|MB_ICONSTOP "Seqget は Windows 10 以降が必要です。このバージョンの Windows にはインストールできません。$\r$\n$\r$\nSeqget needs Windows 10 or later. It cannot be installed on this version of Windows." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
FunctionEnd

Section "Seqget"
    SetShellVarContext current
    ; An installed Seqget (an older version, or this one again) is removed
    ; first by its own uninstaller, which leaves the user's files alone; run in
    ; place (_?=), it is waited for.
    ReadRegStr $0 HKCU "${SEQGET_UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\${SEQGET_UNINSTALLER}"
        DetailPrint "インストール済みの Seqget を削除しています: $0"
        ExecWait '"$0\${SEQGET_UNINSTALLER}" /S _?=$0' $1
        Delete "$0\${SEQGET_UNINSTALLER}"
        RMDir "$0"
    ${EndIf}

    !insertmacro SEQGET_INSTALL_FILES
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\${SEQGET_UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\Seqget.lnk" "$INSTDIR\Seqget.exe" "" "$INSTDIR\Seqget.exe" 0

    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "DisplayName" "Seqget"
    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "DisplayVersion" "${SEQGET_VERSION}"
    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "Publisher" "${SEQGET_PUBLISHER}"
    WriteRegDWORD HKCU "${SEQGET_UNINSTALL_KEY}" "EstimatedSize" ${SEQGET_SIZE_KB}
    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Seqget.exe,0"
    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${SEQGET_UNINSTALLER}"'
    WriteRegStr HKCU "${SEQGET_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${SEQGET_UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${SEQGET_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${SEQGET_UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    !insertmacro SEQGET_UNINSTALL_FILES
    Delete "$INSTDIR\${SEQGET_UNINSTALLER}"
    Delete "$SMPROGRAMS\Seqget.lnk"
    DeleteRegKey HKCU "${SEQGET_UNINSTALL_KEY}"
    ; Only when nothing of the user's is left in it.
    RMDir "$INSTDIR"
SectionEnd
