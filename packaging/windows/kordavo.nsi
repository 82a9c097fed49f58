; The Windows installer, made by ./test --windows (scripts/windows.sh):
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.62 -DSTAGE=<deployed programs>
;            -DLISTS=<folder of uninstall.nsh> -DOUTFILE=<setup.exe> kordavo.nsi
; Everything goes into one folder, and the shortcut starts the program there:
; it reads its default configuration, pictures and help from its working folder.

Unicode true
; A 64-bit installer: the 32-bit stub does nothing under 64-bit Wine, and the
; program is 64-bit anyway.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define PRODUCT "Kordavo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kordavo"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "Software\${PRODUCT}" "InstallDir"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

!define MUI_FINISHPAGE_RUN "$INSTDIR\kordavo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "A Kordavo indítása"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Hungarian"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_HUNGARIAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_HUNGARIAN} "FileDescription" "A Kordavo telepítője"
VIAddVersionKey /LANG=${LANG_HUNGARIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_HUNGARIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_HUNGARIAN} "CompanyName" "Kordavo Kft."
VIAddVersionKey /LANG=${LANG_HUNGARIAN} "LegalCopyright" "Kordavo Kft."

; For every user of the machine: the program and its Start-menu folder.
Section "Kordavo"
    SetRegView 64
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; A shortcut starts in $OUTDIR: the install folder.
    SetOutPath "$INSTDIR"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\Kordavo.lnk" "$INSTDIR\kordavo.exe" "" "$INSTDIR\kordavo.exe" 0 \
        SW_SHOWNORMAL "" "Kordavo GSM-modulok beállítása"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\Kézikönyv.lnk" "$INSTDIR\kordavo-help.pdf"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}\Kordavo eltávolítása.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "Software\${PRODUCT}" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kordavo Kft."
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kordavo.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetRegView 64
    SetShellVarContext all
    Delete "$SMPROGRAMS\${PRODUCT}\Kordavo.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Kézikönyv.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Kordavo eltávolítása.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    ; Only what the installer put there: a folder the user chose keeps
    ; everything else.
    !include "${LISTS}/uninstall.nsh"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\${PRODUCT}"
SectionEnd
