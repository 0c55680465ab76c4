; Per-user installer of Trifolio, built by scripts/package.sh:
;   makensis -WX -INPUTCHARSET UTF8 -DVERSION=1.1 -DSOURCE=<dir with trifolio.exe and
;            readme.txt> -DICON=src/res/trifolio.ico -DOUTFILE=<setup.exe> installer/trifolio.nsi
; Installs into the user's own Programs folder, so that the program can write its
; options files beside itself without administrator rights. "/S" installs and
; uninstalls silently. Installing over an older version keeps the user's settings.

!ifndef VERSION | SOURCE | ICON | OUTFILE
  !error "VERSION, SOURCE, ICON and OUTFILE must be defined (see scripts/package.sh)"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Trifolio"
!define PUBLISHER "Vennhaus"
!define EXE "trifolio.exe"
!define UNINSTALLER "uninstall.exe"
; The program's main window, and the value it writes to start with Windows.
!define WINDOW_CLASS "TrifolioFConfig"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "Trifolio"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trifolio"
; How long a running program gets to end after it was asked to (milliseconds).
!define QUIT_WAIT 10000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "${PRODUCT} ${VERSION} - ${PUBLISHER}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1031 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1031 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1031 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "${PUBLISHER}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert ${PRODUCT} ${VERSION} für Ihr \
  Benutzerkonto, ohne Administratorrechte. Zielordner:$\r$\n$\r$\n$INSTDIR$\r$\n$\r$\n\
  Die Einstellungen einer früheren Installation bleiben erhalten; ein laufendes ${PRODUCT} \
  wird dafür beendet.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "German"

; Ends a running Trifolio of this installation the way closing its window does (hotkeys
; given back, tray icon removed, nothing saved), then waits until its process is gone.
; A copy started from elsewhere is left alone. When the program does not end in time,
; asks to retry; silently, or on "Abbrechen", gives up and changes nothing.
!macro QuitRunningProgram un
Function ${un}QuitRunningProgram
  retry:
  FindWindow $0 "${WINDOW_CLASS}"
  ${If} $0 = 0
    Return
  ${EndIf}
  System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
  ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
  System::Call "kernel32::OpenProcess(i 0x00101000, i 0, i r1) p .r2"
  ${If} $2 P<> 0
    System::Call "kernel32::QueryFullProcessImageNameW(p r2, i 0, w .r4, *i ${NSIS_MAX_STRLEN}) i .r3"
    ${If} $3 <> 0
    ${AndIf} $4 != "$INSTDIR\${EXE}"
      System::Call "kernel32::CloseHandle(p r2)"
      Return
    ${EndIf}
  ${EndIf}
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  ${If} $2 P<> 0
    System::Call "kernel32::WaitForSingleObject(p r2, i ${QUIT_WAIT}) i .r3"
    System::Call "kernel32::CloseHandle(p r2)"
    ${If} $3 = 0  ; WAIT_OBJECT_0: the process has ended
      Return
    ${EndIf}
  ${Else}
    ; No handle on the process: wait for its window instead.
    StrCpy $3 0
    ${Do}
      FindWindow $0 "${WINDOW_CLASS}"
      ${If} $0 = 0
        Return
      ${EndIf}
      Sleep 100
      IntOp $3 $3 + 100
    ${LoopUntil} $3 >= ${QUIT_WAIT}
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
    "${PRODUCT} läuft noch und lässt sich nicht beenden.$\r$\n$\r$\nBitte beenden Sie \
    ${PRODUCT} (Menü der Symbolleiste: $\"Beenden$\") und wählen Sie $\"Wiederholen$\"." \
    /SD IDCANCEL IDRETRY retry
  Abort "${PRODUCT} läuft noch."
FunctionEnd
!macroend
!insertmacro QuitRunningProgram ""
!insertmacro QuitRunningProgram "un."

Section "Trifolio"
  SetShellVarContext current
  Call QuitRunningProgram
  SetOutPath "$INSTDIR"
  SetOverwrite on
  ; options.ini and options.tmp belong to the user and are never written here.
  File "${SOURCE}\${EXE}"
  File "${SOURCE}\readme.txt"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.QuitRunningProgram
  ; Only what the installer and the program put here: a folder the user chose with /D
  ; may hold other files, which stay.
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\options.ini"
  Delete "$INSTDIR\options.tmp"
  Delete "$INSTDIR\options.ini.new"
  Delete "$INSTDIR\options.tmp.new"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; The program's Run value, unless it starts another copy of the program that still
  ; exists (a portable one elsewhere).
  ReadRegStr $0 HKCU "${RUN_KEY}" "${RUN_VALUE}"
  ${If} $0 != ""
    StrCpy $1 $0 1
    ${If} $1 == '"'
      StrCpy $0 $0 "" 1
      StrCpy $0 $0 -1
    ${EndIf}
    ${If} $0 == "$INSTDIR\${EXE}"
    ${OrIfNot} ${FileExists} "$0"
      DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
