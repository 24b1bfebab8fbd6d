; The Windows installer: both programs with the DLLs and plugins they load,
; a Start-menu entry, the README, and an uninstaller registered under
; Uninstall. scripts/windows.sh gathers the files and calls
;   makensis -DVERSION=1.0.0.1 -DSTAGE=<folder> -DOUTFILE=<file> ostrivan.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrivan"

Name "Ostrivan ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Ostrivan"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductName" "Ostrivan"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка Ostrivan"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "© 2026 Ostrivan developers"

!define MUI_ICON "${STAGE}\ostrivan.ico"
!define MUI_UNICON "${STAGE}\ostrivan.ico"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

; A running program's file cannot be opened for writing: the user closes it
; first, or gives up.
!macro WaitUntilClosed un
Function ${un}WaitUntilClosed
    retry:
    IfFileExists "$INSTDIR\ostrivan.exe" 0 done
    ClearErrors
    FileOpen $0 "$INSTDIR\ostrivan.exe" a
    IfErrors 0 closed
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Ostrivan запущен. Закройте программу и нажмите «Повтор»." /SD IDCANCEL IDRETRY retry
    Abort
    closed:
    FileClose $0
    done:
FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""
!insertmacro WaitUntilClosed "un."

Section "Ostrivan"
    Call WaitUntilClosed
    ; An older version goes first, so that nothing of it stays and one
    ; entry stays under Uninstall.
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCmp $1 "" fresh
    IfFileExists "$1\uninstall.exe" 0 fresh
    ExecWait '"$1\uninstall.exe" /S _?=$1'
    Delete "$1\uninstall.exe"
    RMDir "$1"
    fresh:
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\Ostrivan"
    CreateShortCut "$SMPROGRAMS\Ostrivan\Ostrivan.lnk" "$INSTDIR\ostrivan.exe"
    CreateShortCut "$SMPROGRAMS\Ostrivan\README.lnk" "$INSTDIR\README.html"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Ostrivan"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Ostrivan developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\ostrivan.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    Call un.WaitUntilClosed
    Delete "$SMPROGRAMS\Ostrivan\Ostrivan.lnk"
    Delete "$SMPROGRAMS\Ostrivan\README.lnk"
    RMDir "$SMPROGRAMS\Ostrivan"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\doc"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\ostrivan.ico"
    Delete "$INSTDIR\README.html"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
