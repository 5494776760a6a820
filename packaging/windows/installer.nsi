; The Windows installer of Bass Firmware: bass-firmware.exe in Program Files, a Start-menu
; shortcut for all users, and an uninstaller listed in Settings > Apps that removes exactly those.
; cmake/WindowsDistribution.cmake runs makensis with these defines:
;   VERSION       the project's version (major.minor.patch)
;   VERSION_NAME  the version as people see it: "development" added in a build with the
;                 development firmware table
;   PROGRAM       the built bass-firmware.exe
;   ICON_FILE     the program's icon (.ico), for the installer and the uninstaller
;   OUTFILE       the installer to write
; /S runs the installer or the uninstaller silently.

!ifndef VERSION | VERSION_NAME | PROGRAM | ICON_FILE | OUTFILE
  !error "makensis needs -DVERSION=... -DVERSION_NAME=... -DPROGRAM=... -DICON_FILE=... -DOUTFILE=..."
!endif

Unicode true
; A 64-bit installer for a 64-bit program: it runs wherever the program runs and sees the 64-bit
; Program Files and registry without redirection.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Bass Firmware"
!define PUBLISHER "The Bass Firmware developers"
!define EXE "bass-firmware.exe"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BassFirmware"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; A new version goes where the last one is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION_NAME}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION_NAME}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION_NAME} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "/oname=${EXE}" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The shortcut starts the program in its own folder.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION_NAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Uninstall.exe copies itself to the temporary folder, starts the copy, which runs this, and ends;
; until it has ended, Windows refuses to delete its file. The copy waits for that (up to ten
; seconds, deleting as soon as it can) and, should it still be running, leaves the file and the
; folder to the next restart. (The copy itself goes at the next restart too, as the system's own
; uninstallers do.)
Function un.DeleteUninstaller
  StrCpy $0 0
  retry:
    ClearErrors
    Delete "$INSTDIR\${UNINSTALLER}"
    IfErrors 0 deleted
    IntOp $0 $0 + 1
    IntCmp $0 100 give_up
    Sleep 100
    Goto retry
  give_up:
    Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
  deleted:
FunctionEnd

; Only what the installer put there: a folder the user added files to stays, with those files.
Section "Uninstall"
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\${EXE}"
  Call un.DeleteUninstaller
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
