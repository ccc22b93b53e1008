; The tservice installer for 64-bit Windows (makensis from Debian's nsis).
; tools/windows-package passes VERSION, OUTFILE, SRCDIR (the gathered
; folder), NSHDIR (its generated file lists) and LICENSEFILE.
; A 64-bit installer (Debian's nsis has the amd64-unicode stubs): it runs
; where the program runs, and under a 64-bit-only wine.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

!define PRODUCT "tservice"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tservice"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\tservice"
InstallDirRegKey HKLM "${UNINSTKEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1049 "ProductName" "tservice"
VIAddVersionKey /LANG=1049 "FileDescription" "Сервис датчиков температуры ЛАДР, ТЕВ-ТС, ТЕВ-ТП, ОСКИ"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "GNU GPL 3.0 или новее"

!define MUI_FINISHPAGE_RUN "$INSTDIR\tservice.exe"
!insertmacro MUI_PAGE_LICENSE "${LICENSEFILE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "tservice"
  SetShellVarContext all
  !include "${NSHDIR}\files.nsh"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\tservice"
  CreateShortcut "$SMPROGRAMS\tservice\tservice.lnk" "$INSTDIR\tservice.exe"
  CreateShortcut "$SMPROGRAMS\tservice\Удалить tservice.lnk" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "tservice ${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "tservice"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\tservice.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\tservice\tservice.lnk"
  Delete "$SMPROGRAMS\tservice\Удалить tservice.lnk"
  RMDir "$SMPROGRAMS\tservice"
  !include "${NSHDIR}\unfiles.nsh"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTKEY}"
SectionEnd
