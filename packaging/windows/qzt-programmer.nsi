; The Windows installer of QZT Programmer (Debian's nsis):
;   makensis -DVERSION=1.0.0.0 -DSTAGING=<folder> [-DOUTDIR=<folder>] [-DICON=<file.ico>]
;            packaging/windows/qzt-programmer.nsi
; STAGING holds what is installed, laid out as in the program's folder:
; qzt-programmer.exe, qzt.exe, the templates and About.ini beside them,
; Qt's DLLs, platforms\ and styles\ (scripts/package-windows.sh stages it).
; Writes QZT-Programmer-<VERSION>-setup.exe; /S installs and uninstalls
; without questions.

; A 64-bit installer for the 64-bit programs: it needs no 32-bit layer (wine
; without wine32 runs it), and sees the 64-bit Program Files and registry.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "Give the version: makensis -DVERSION=1.0.0.0 ..."
!endif
!ifndef STAGING
  !error "Give the staging folder: makensis -DSTAGING=<folder> ..."
!endif
!if ! /FileExists "${STAGING}/qzt-programmer.exe"
  !error "${STAGING} holds no qzt-programmer.exe"
!endif
!if ! /FileExists "${STAGING}/qzt.exe"
  !error "${STAGING} holds no qzt.exe"
!endif
!ifndef OUTDIR
  !define OUTDIR "."
!endif

!define PRODUCT "QZT Programmer"
!define PUBLISHER "ORVI Electronics"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QZTProgrammer"
!define PROGID "QZTProgrammer.Qzt"
!define UNINSTALLER "uninstall.exe"

; The install and remove lists, both from the staging folder's contents.
; makensis works in this script's folder unless given /NOCD.
!if /FileExists "${__FILEDIR__}/nsis-file-list.sh"
  !define FILE_LISTER "${__FILEDIR__}/nsis-file-list.sh"
!else
  !define FILE_LISTER "nsis-file-list.sh"
!endif
!tempfile FILE_LIST
!system '/bin/sh "${FILE_LISTER}" "${STAGING}" "${FILE_LIST}"' = 0
!include "${FILE_LIST}"
!delfile "${FILE_LIST}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

Name "${PRODUCT}"
OutFile "${OUTDIR}/QZT-Programmer-${VERSION}-setup.exe"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; The file association and the uninstall entry are for all users.
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
; No "Run QZT Programmer" on the finish page: it would start the program with
; the installer's administrator rights, and the data folders it creates on
; its first start would then belong to the administrators.
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

; An earlier version's files are not all in this version's list: its own
; uninstaller removes them first (in place, so it waits: _?=), leaving the
; user's files in the folder alone.
Function RemovePreviousVersion
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIfNot} ${FileExists} "$0\${UNINSTALLER}"
    Return
  ${EndIf}
  DetailPrint "Removing the installed version from $0"
  ExecWait '"$0\${UNINSTALLER}" /S _?=$0' $1
  Delete "$0\${UNINSTALLER}"
  RMDir "$0"
FunctionEnd

Section "Install"
  Call RemovePreviousVersion
  !insertmacro QztInstallFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\qzt-programmer.exe" "" \
    "$INSTDIR\qzt-programmer.exe" 0

  ; Opening a .Qzt file starts the window with the file's name on its
  ; command line.
  WriteRegStr HKLM "Software\Classes\.Qzt" "" "${PROGID}"
  WriteRegStr HKLM "Software\Classes\.Qzt\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKLM "Software\Classes\${PROGID}" "" "QZT configuration"
  WriteRegStr HKLM "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\qzt-programmer.exe,0"
  WriteRegStr HKLM "Software\Classes\${PROGID}\shell\open\command" "" \
    '"$INSTDIR\qzt-programmer.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\qzt-programmer.exe\shell\open\command" "" \
    '"$INSTDIR\qzt-programmer.exe" "%1"'
  WriteRegStr HKLM "Software\Classes\Applications\qzt-programmer.exe\SupportedTypes" ".Qzt" ""

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qzt-programmer.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; Explorer shows the new icon and open action without a new logon.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  !insertmacro QztRemoveFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only if empty: configuration files saved into the program's folder stay.
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; .Qzt may have been taken over by another program since: leave it then.
  ReadRegStr $0 HKLM "Software\Classes\.Qzt" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue HKLM "Software\Classes\.Qzt" ""
  ${EndIf}
  DeleteRegValue HKLM "Software\Classes\.Qzt\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKLM "Software\Classes\.Qzt\OpenWithProgids"
  DeleteRegKey /ifempty HKLM "Software\Classes\.Qzt"
  DeleteRegKey HKLM "Software\Classes\${PROGID}"
  DeleteRegKey HKLM "Software\Classes\Applications\qzt-programmer.exe"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
