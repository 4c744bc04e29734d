; Quillmere's Windows installer, for the current user, without administrator rights.
;
; makensis -DVERSION=1.0.0 -DBIN_DIR=<folder of the programs> -DOUT_FILE=<setup.exe>
;          [-DWITH_HOST] Quillmere.nsi
;
; WITH_HOST packs Quillmere.scr beside Quillmere.dll and makes it the current screen saver.
;
; The uninstaller removes what the installer wrote. What the programs wrote themselves (the
; settings file Quillmere.ini in the program folder, the textures in C:\q_vorn) stays unless the
; user says otherwise: the interactive uninstall asks, a silent one (/S) keeps them unless
; /REMOVESETTINGS is given.

Target amd64-unicode
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef BIN_DIR
  !error "BIN_DIR is not defined"
!endif
!ifndef OUT_FILE
  !error "OUT_FILE is not defined"
!endif

!define APP "Quillmere"
!define PUBLISHER "Quillmere"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define DESKTOP_KEY "Control Panel\Desktop"
!define TEXTURE_DIR "C:\q_vorn"

Name "${APP}"
OutFile "${OUT_FILE}"
; A folder the user can write, so that the settings file beside the programs can be stored.
InstallDir "$LOCALAPPDATA\Programs\${APP}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${APP} screen saver setup"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; $0 := the long form of the path in $0 (unchanged where it names nothing): Windows keeps
; SCRNSAVE.EXE as a full path, and a folder typed in 8.3 form must still compare equal.
!macro LongPath
  System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
  ${If} $2 > 0
  ${AndIf} $2 < ${NSIS_MAX_STRLEN}
    StrCpy $0 $1
  ${EndIf}
!macroend

Section "Install"
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}\Quillmere.dll"
!ifdef WITH_HOST
  File "${BIN_DIR}\Quillmere.scr"
!endif
  File "${BIN_DIR}\README.txt"
  SetOutPath "$INSTDIR\manual"
  File "${BIN_DIR}\manual\index.html"
  File "${BIN_DIR}\manual\dialog.png"
  File "${BIN_DIR}\manual\screenshot.png"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  StrCpy $0 "$INSTDIR"
  !insertmacro LongPath
  StrCpy $INSTDIR $0

!ifdef WITH_HOST
  ; Since Windows Vista a saver named here is the active one; ScreenSaveActive is left alone.
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$INSTDIR\Quillmere.scr"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmere.scr,0"
!else
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe,0"
!endif
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Var RemoveSettings

Function un.onInit
  StrCpy $RemoveSettings 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    StrCpy $RemoveSettings 1
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The saver is reset only while it is still this one: another chosen since stays chosen.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    !insertmacro LongPath
    StrCpy $3 $0
    StrCpy $0 "$INSTDIR\Quillmere.scr"
    !insertmacro LongPath
    ${If} $3 == $0
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}

  ${IfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION \
      "Keep your Quillmere settings (Quillmere.ini) and its pictures in ${TEXTURE_DIR}?" \
      IDYES keep
    StrCpy $RemoveSettings 1
    keep:
  ${EndIf}

  Delete "$INSTDIR\Quillmere.scr"
  Delete "$INSTDIR\Quillmere.dll"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\manual\index.html"
  Delete "$INSTDIR\manual\dialog.png"
  Delete "$INSTDIR\manual\screenshot.png"
  RMDir "$INSTDIR\manual"
  Delete "$INSTDIR\Uninstall.exe"
  ; What an interrupted store of the settings or of a picture left behind.
  Delete "$INSTDIR\.Quillmere.ini.*.tmp"
  Delete "${TEXTURE_DIR}\.Tormalune?.bmp.*.tmp"
  ${If} $RemoveSettings == 1
    Delete "$INSTDIR\Quillmere.ini"
    ; Only the saver's own files: anything else in the folder stays, and so does the folder then.
    Delete "${TEXTURE_DIR}\Tormalune1.bmp"
    Delete "${TEXTURE_DIR}\Tormalune2.bmp"
    Delete "${TEXTURE_DIR}\Tormalune3.bmp"
    RMDir "${TEXTURE_DIR}"
  ${EndIf}
  ; Never recursive: a folder the user chose may hold more than this program.
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
