; The Windows installer: one per-machine copy of the PLX71 programs in
; Program Files\PLX71, Start-menu entries for both window programs and the
; user guide, .pxp projects opening in PLX71RD, an entry in "Apps & features",
; and an uninstaller that removes exactly what we put there. scripts/windows/package_windows.sh builds it with makensis and defines:
;   VERSION       the program version, e.g. 1.30
;   STAGE         the folder holding the files to install (the zip's folder)
;   FILES_NSH     the generated list of those files for the uninstaller
;   SIZE_KB       their size, shown by "Apps & features"
;   OUTFILE       the installer to write
;   COMPRESSOR    optional, default /SOLID lzma (the smallest; zlib is faster)
;   ICON          optional, the .ico of setup and uninstaller (PLX71RD's)
; Silent use: setup.exe /S [/D=C:\Some Folder] (/D last, without quotes).

Unicode true
Target amd64-unicode
!ifndef COMPRESSOR
  !define COMPRESSOR "/SOLID lzma"
!endif
SetCompressor ${COMPRESSOR}
RequestExecutionLevel admin

!include LogicLib.nsh
!include MUI2.nsh

!define PRODUCT "PLX71"
!define PUBLISHER "Orvane Labs Inc."
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\PLX71"
!define MENU_FOLDER "$SMPROGRAMS\PLX71"
; A double-clicked .pxp opens in PLX71RD: our type under HKLM\Software\Classes
; (per machine). A user's own choice lives under HKCU and stays as it is.
!define PROJECT_TYPE "PLX71.Project"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\PLX71"
; An earlier copy is replaced where it is.
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
; No "start PLX71RD" box on the last page: it would run with the installer's
; administrator rights.
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define BUSY_TEXT "A PLX71 program is running (PLX71RD or Plx71Ldr, by you or another user), or one of its files is in use:$\r$\n$\r$\n"
!define BUSY_ADVICE "$\r$\n$\r$\nClose every PLX71 program, then choose Retry. Nothing has been changed yet."

; A file that another process holds cannot be opened for writing: a running
; program's .exe and DLLs, and the lock file each window program holds in
; the user's temporary folder while it runs. Sets $R8 to the first such
; file, left empty when none is.
!macro BUSY_IF_HELD PATH
  ${If} $R8 == ""
  ${AndIf} ${FileExists} "${PATH}"
    ClearErrors
    FileOpen $R7 "${PATH}" a
    ${If} ${Errors}
      StrCpy $R8 "${PATH}"
    ${Else}
      FileClose $R7
    ${EndIf}
  ${EndIf}
!macroend

; PLX71_BUSY_CHECKS DIR and PLX71_REMOVE DIR, made from the installed files.
!include "${FILES_NSH}"

; Checks the copy in $R9 and asks until nothing is held; a silent run, or a
; user who cancels, ends here with nothing changed (exit code 2).
!macro DEFINE_ENSURE_NOT_RUNNING PREFIX
Function ${PREFIX}EnsureNotRunning
  retry:
    StrCpy $R8 ""
    !insertmacro BUSY_IF_HELD "$TEMP\PLX71RD.lock"
    !insertmacro BUSY_IF_HELD "$TEMP\Plx71Ldr.lock"
    !insertmacro PLX71_BUSY_CHECKS "$R9"
    ${If} $R8 != ""
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${BUSY_TEXT}$R8${BUSY_ADVICE}" /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      DetailPrint "Stopped: $R8 is in use. Close every PLX71 program and run this again."
      Abort "A PLX71 program is running; nothing was changed."
    ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_ENSURE_NOT_RUNNING ""
!insertmacro DEFINE_ENSURE_NOT_RUNNING "un."

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "PLX71" SecMain
  SectionIn RO
  ; Before anything changes: no program of the copy being replaced may run,
  ; wherever that copy lies.
  ReadRegStr $R6 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $R6 != ""
  ${AndIf} $R6 != $INSTDIR
    StrCpy $R9 $R6
    Call EnsureNotRunning
  ${EndIf}
  StrCpy $R9 $INSTDIR
  Call EnsureNotRunning

  ; An earlier copy's own uninstaller removes its files (and nothing of the
  ; user's); files we no longer ship do not linger.
  ${If} $R6 != ""
  ${AndIf} ${FileExists} "$R6\uninstall.exe"
    DetailPrint "Removing the installed copy in $R6"
    ExecWait '"$R6\uninstall.exe" /S _?=$R6' $R5
    ${If} $R5 != 0
      SetErrorLevel 2
      Abort "The installed copy in $R6 could not be removed (uninstaller exit code $R5)."
    ${EndIf}
    Delete "$R6\uninstall.exe"
    RMDir "$R6"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    ExecWait '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR' $R5
    Delete "$INSTDIR\uninstall.exe"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${MENU_FOLDER}"
  ; The shortcuts start in the user's own Documents (expanded when started),
  ; never in the program folder, where a normal user cannot save.
  StrCpy $OUTDIR "%USERPROFILE%\Documents"
  CreateShortcut "${MENU_FOLDER}\PLX71RD.lnk" "$INSTDIR\PLX71RD.exe" "" "$INSTDIR\PLX71RD.exe" 0
  CreateShortcut "${MENU_FOLDER}\Plx71Ldr.lnk" "$INSTDIR\Plx71Ldr.exe" "" "$INSTDIR\Plx71Ldr.exe" 0
  CreateShortcut "${MENU_FOLDER}\Plx71Station.lnk" "$INSTDIR\Plx71Station.exe" "" "$INSTDIR\Plx71Station.exe" 0
  CreateShortcut "${MENU_FOLDER}\PLX71 User Guide.lnk" "$INSTDIR\guide\index.html"
  SetOutPath "$INSTDIR"

  WriteRegStr HKLM "${CLASSES}\${PROJECT_TYPE}" "" "PLX-71RD project"
  WriteRegStr HKLM "${CLASSES}\${PROJECT_TYPE}\DefaultIcon" "" '"$INSTDIR\PLX71RD.exe",0'
  WriteRegStr HKLM "${CLASSES}\${PROJECT_TYPE}\shell\open\command" "" '"$INSTDIR\PLX71RD.exe" "%1"'
  WriteRegStr HKLM "${CLASSES}\.pxp\OpenWithProgids" "${PROJECT_TYPE}" ""
  ; .pxp already given to another program on this machine: PLX71RD is only
  ; offered in "Open with".
  ReadRegStr $R4 HKLM "${CLASSES}\.pxp" ""
  ${If} $R4 == ""
  ${OrIf} $R4 == "${PROJECT_TYPE}"
    WriteRegStr HKLM "${CLASSES}\.pxp" "" "${PROJECT_TYPE}"
  ${Else}
    DetailPrint ".pxp stays with $R4; PLX71RD is offered under Open with"
  ${EndIf}
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\PLX71RD.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

; Removes the files we installed, one by one, so that whatever the user
; keeps in the folder stays. Settings (HKCU\Software\Orvane Labs Inc.) and
; projects are the user's and are not touched.
Section "Uninstall"
  StrCpy $R9 $INSTDIR
  Call un.EnsureNotRunning

  !insertmacro PLX71_REMOVE "$INSTDIR"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${MENU_FOLDER}\PLX71RD.lnk"
  Delete "${MENU_FOLDER}\Plx71Ldr.lnk"
  Delete "${MENU_FOLDER}\PLX71 User Guide.lnk"
  Delete "${MENU_FOLDER}\Plx71Station.lnk"
  RMDir "${MENU_FOLDER}"

  ; Our file type goes; .pxp keeps whatever another program set.
  DeleteRegKey HKLM "${CLASSES}\${PROJECT_TYPE}"
  DeleteRegValue HKLM "${CLASSES}\.pxp\OpenWithProgids" "${PROJECT_TYPE}"
  DeleteRegKey /ifempty HKLM "${CLASSES}\.pxp\OpenWithProgids"
  ReadRegStr $R4 HKLM "${CLASSES}\.pxp" ""
  ${If} $R4 == "${PROJECT_TYPE}"
    DeleteRegValue HKLM "${CLASSES}\.pxp" ""
  ${EndIf}
  DeleteRegKey /ifempty HKLM "${CLASSES}\.pxp"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
