; The Vantor installer, built by scripts/release.sh with makensis:
;
;   makensis -DVERSION=x.y.z -DSTAGE=<folder> -DOUTFILE=<setup.exe> installer.nsi
;
; STAGE holds what is installed: quillbox.exe, README.txt, LICENSE.txt and,
; when the console program was built, quillbox-cli.exe. The installer installs
; for all users (Program Files, needs an administrator) or just for the current
; user (the user's local Programs folder); /AllUsers or /CurrentUser choose on
; the command line, /S installs silently. It adds a Start-menu shortcut
; "Vantor" and an entry in the list of installed programs.
;
; The uninstaller removes exactly that again. The user's settings file stays
; unless its page option is ticked or /REMOVESETTINGS is given.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE (scripts/release.sh does)"
!endif

!define PRODUCT "Vantor"
!define PUBLISHER "Quartzline"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillbox"
!define SETTINGS_DIR "$LOCALAPPDATA\Quartzline\Quillboxer"

Name "${PRODUCT}"
OutFile "${OUTFILE}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "Quillbox"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_NOUNINSTALL
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

!define MUI_ICON "${STAGE}\quillbox.ico"
!define MUI_UNICON "${STAGE}\quillbox.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillbox.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT}"

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings file is kept unless you tick it."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The installer's version information: the same numbers as quillbox.exe's.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright ${PUBLISHER}"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\quillbox.exe"
  !if /FileExists "${STAGE}\quillbox-cli.exe"
    File "${STAGE}\quillbox-cli.exe"
  !endif
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quillbox.exe"

  ; SHCTX is HKLM for all users and HKCU for the current user.
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\quillbox.exe,0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.${PRODUCT}" SecUnProgram
  SectionIn RO
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\quillbox.exe"
  Delete "$INSTDIR\quillbox-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: files the user put there stay.
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINST_KEY}"
SectionEnd

Section /o "un.Your settings file" SecUnSettings
  ; The settings belong to the user who runs the uninstaller.
  SetShellVarContext current
  Delete "${SETTINGS_DIR}\Quillboxer.ini"
  RMDir "${SETTINGS_DIR}"
  RMDir "$LOCALAPPDATA\Quartzline"
SectionEnd

Function un.onInit
  ; Installed for all users when the machine-wide entry names this folder.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/REMOVESETTINGS" $2
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd
