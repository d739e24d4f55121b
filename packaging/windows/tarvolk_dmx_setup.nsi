; The setup program of the Tarvolk DMX plug-in. It installs the 32-bit
; Tarvolk_DMX.out.dll, the one the 32-bit host loads, and on 64-bit Windows,
; when chosen, the 64-bit build in the subfolder x64; registers each with the
; regsvr32 of its own registry view; installs beside each DLL the operators'
; test program of its architecture, Tarvolk_DMX-Test.exe, with an entry in
; the Start menu ("Tarvolk DMX – Test", and "… (64 Bit)"); installs the
; German guide beside the DLL, a page with its pictures in a folder beside it,
; under names of its own (the plug-in folder is shared with the host's other
; plug-ins, whose files are never touched), with an entry in the Start menu
; ("Tarvolk DMX – Anleitung"), offered on the finish page; and writes an
; uninstaller and the entry under "Programs and Features".
; The user's stored port settings and the plug-in's journal are never
; touched.
;
; Built by CMake (packaging/windows): makensis -INPUTCHARSET UTF8
;   -DVERSION=1.0.0.8 -DDLL32=<32-bit DLL> -DDLL64=<64-bit DLL>
;   -DTEST32=<32-bit test program> -DTEST64=<64-bit test program>
;   -DGUIDE=<the guide's page> -DGUIDE_PICTURES=<the folder of its pictures>
;   -DGUIDE_PICTURE_LIST=<guide_pictures.nsh, the pictures the page names>
;   -DOUTFILE=<setup.exe>
;
; Command line of the setup program:
;   /S          silent, for administrators' scripts
;   /X64        also install the 64-bit plug-in (ignored on 32-bit Windows)
;   /D=FOLDER   target folder; must come last, without quotes
; Exit codes: 0 installed; 1 cancelled by the user; 2 failed (whatever failed
; after something changed, a write NSIS itself gives up included, is undone,
; an earlier installation put back as it was; or the plug-in cannot be
; replaced for a reason Windows names, nothing changed); 3 a running program
; holds the plug-in and the user cancelled (always in silent mode), nothing
; changed; 740 not started as administrator.
; The uninstaller takes /S as well and exits with 2 when a DLL cannot be
; unregistered or removed (its files, its registration and the entry then
; stay) or another of its files cannot be removed (named; the uninstaller
; and the entry then stay), and with 3 as the setup program does. Like every
; NSIS uninstaller it runs from a copy in TEMP and returns at once; with
; _?=<folder> it runs in place, is waited for and gives its exit code, but
; cannot remove itself.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
; A file that cannot be opened for writing is skipped with the error flag
; set, without asking: the check after each copy then fails the installation
; and undoes it, rather than leave the old file in place, registered as if it
; were new. A write that fails after the open ends the installation with
; NSIS's own message (none in silent mode); .onInstFailed undoes it.
SetOverwrite try

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "Tarvolk DMX Plugin"
!define PUBLISHER "Privat"
!define DLL_NAME "Tarvolk_DMX.out.dll"
!define GUIDE_NAME "Tarvolk_DMX-Anleitung.html"
!define PICTURES_NAME "Tarvolk_DMX-Anleitung-Bilder"
!define TEXT_GUIDE_NAME "Tarvolk_DMX-Anleitung.txt"
!define UNINSTALLER "Tarvolk_DMX-Deinstallation.exe"
!define TEST_NAME "Tarvolk_DMX-Test.exe"
!define PROG_ID "Tarvolk_DMX.clsOutputDriver"
!define START_MENU "$SMPROGRAMS\Tarvolk DMX"
!define TEST_LINK32 "${START_MENU}\Tarvolk DMX – Test.lnk"
!define TEST_LINK64 "${START_MENU}\Tarvolk DMX – Test (64 Bit).lnk"
!define GUIDE_LINK "${START_MENU}\Tarvolk DMX – Anleitung.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvolk_DMX"
!define EXIT_FAILED 2
!define EXIT_IN_USE 3
; ERROR_ELEVATION_REQUIRED
!define EXIT_NOT_ADMIN 740

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The host loads plug-ins from its own plug-in folder; without that folder
; known, a folder of the plug-in's own under the 32-bit Program Files.
InstallDir "$PROGRAMFILES32\Tarvolk DMX"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
; A DLL the host has loaded cannot be replaced.
!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert $(^NameDA) ${VERSION}.$\r$\n$\r$\nBitte schließen Sie vorher das Lichtsteuerprogramm.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipComponentsOn32BitWindows
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "Das Lichtsteuerprogramm lädt seine Plug-ins aus seinem eigenen Plug-in-Verzeichnis. Wählen Sie mit „Durchsuchen“ dieses Verzeichnis aus, damit das Programm das Plug-in findet. $_CLICK"
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Plug-in-Verzeichnis des Lichtsteuerprogramms"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${GUIDE_NAME}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Anleitung anzeigen"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GERMAN} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileDescription" "Installationsprogramm für ${PRODUCT}"
VIAddVersionKey /LANG=${LANG_GERMAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_GERMAN} "LegalCopyright" "${PUBLISHER}"

Var View        ; registry view of a regsvr32 call: 32 or 64
Var Switches    ; its switches besides /s
Var DllFile     ; the DLL it registers
Var Registered32  ; 1 once this run has run regsvr32 on its 32-bit DLL
Var Registered64  ; and on the 64-bit one
Var Failure       ; what went wrong, as the user reads it; "" until reported
Var Stayed        ; what the uninstaller could not remove, one a line

; Runs the regsvr32 of registry view $View silently on $DllFile; $R0 is its
; exit code, or "" when it could not be started. For this 32-bit program
; $SYSDIR on 64-bit Windows is the 32-bit system folder (SysWOW64); with the
; redirection switched off it is the 64-bit one.
!macro DEFINE_REGSVR32 UN
Function ${UN}Regsvr32
  ${If} $View == 64
    ${DisableX64FSRedirection}
  ${EndIf}
  ClearErrors
  ExecWait '"$SYSDIR\regsvr32.exe" /s $Switches "$DllFile"' $R0
  ${If} ${Errors}
    StrCpy $R0 ""
  ${EndIf}
  ${If} $View == 64
    ${EnableX64FSRedirection}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_REGSVR32 ""
!insertmacro DEFINE_REGSVR32 "un."

!macro REGSVR32 UN VIEW SWITCHES FILE
  StrCpy $View ${VIEW}
  StrCpy $Switches "${SWITCHES}"
  StrCpy $DllFile "${FILE}"
  Call ${UN}Regsvr32
!macroend

; regsvr32's exit code $R0 in words, in $R1.
!macro DEFINE_DESCRIBE_EXIT UN
Function ${UN}DescribeExit
  ${If} $R0 == ""
    StrCpy $R1 "regsvr32 ließ sich nicht starten"
  ${Else}
    StrCpy $R1 "regsvr32 meldet Fehler $R0"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_DESCRIBE_EXIT ""
!insertmacro DEFINE_DESCRIBE_EXIT "un."

; Whether $DllFile may be replaced or removed: a DLL that a running program
; has loaded cannot be opened for writing, whatever the sharing (a sharing
; violation). The open shares everything, so a program that only reads it
; (a virus scanner, the search indexer, Explorer reading its version) does
; not count; one whose handle refuses writers does. A read-only DLL is made
; writable first. $R0 is "free" when it is free or absent, "held" when a
; program holds it, and otherwise Windows' error number.
!macro DEFINE_DLL_IS_FREE UN
Function ${UN}DllIsFree
  StrCpy $R0 free
  ${If} ${FileExists} "$DllFile"
    SetFileAttributes "$DllFile" NORMAL
    ; GENERIC_WRITE, FILE_SHARE_READ|WRITE|DELETE, OPEN_EXISTING
    System::Call 'kernel32::CreateFileW(w "$DllFile", i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .R1 ?e'
    Pop $R0
    ${If} $R1 = -1
      ${If} $R0 = 32
        StrCpy $R0 held
      ${EndIf}
    ${Else}
      System::Call 'kernel32::CloseHandle(p R1)'
      StrCpy $R0 free
    ${EndIf}
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DEFINE_DLL_IS_FREE ""
!insertmacro DEFINE_DLL_IS_FREE "un."

; Before anything changes: while a program holds a plug-in in $INSTDIR, or
; Windows refuses to let it be replaced, says so, with Retry and Cancel.
; Cancel, and silent mode, end the program with EXIT_IN_USE or EXIT_FAILED,
; nothing changed.
!macro DEFINE_WAIT_UNTIL_FREE UN
Function ${UN}WaitUntilFree
  ${Do}
    StrCpy $DllFile "$INSTDIR\${DLL_NAME}"
    Call ${UN}DllIsFree
    ${If} $R0 == free
      StrCpy $DllFile "$INSTDIR\x64\${DLL_NAME}"
      Call ${UN}DllIsFree
    ${EndIf}
    ${If} $R0 == free
      Return
    ${ElseIf} $R0 == held
      DetailPrint "In Gebrauch: $DllFile"
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Das Lichtsteuerprogramm (oder „Tarvolk DMX – Test“) verwendet $(^NameDA) gerade:$\r$\n$DllFile$\r$\n$\r$\nBitte schließen Sie das Programm und klicken Sie dann auf „Wiederholen“. „Abbrechen“ lässt alles, wie es ist." /SD IDCANCEL IDRETRY retry
      SetErrorLevel ${EXIT_IN_USE}
    ${Else}
      DetailPrint "Nicht ersetzbar (Windows-Fehler $R0): $DllFile"
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(^NameDA) lässt sich nicht ersetzen:$\r$\n$DllFile$\r$\nWindows meldet Fehler $R0.$\r$\n$\r$\n„Wiederholen“ versucht es noch einmal, „Abbrechen“ lässt alles, wie es ist." /SD IDCANCEL IDRETRY retry
      SetErrorLevel ${EXIT_FAILED}
    ${EndIf}
    Quit
  retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro DEFINE_WAIT_UNTIL_FREE ""
!insertmacro DEFINE_WAIT_UNTIL_FREE "un."

; Only administrators may write the machine-wide class registration.
!macro REQUIRE_ADMIN WHAT
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "Die ${WHAT} von $(^NameDA) erfordert Administratorrechte.$\r$\nBitte starten Sie das Programm mit „Als Administrator ausführen“." /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
!macroend

!include tarvolk_dmx_rollback.nsh
!include "${GUIDE_PICTURE_LIST}"

!macro INSTALL_PICTURE NAME
  !insertmacro INSTALL_FILE "${GUIDE_PICTURES}/${NAME}" "$INSTDIR\${PICTURES_NAME}\${NAME}"
!macroend

Section "${PRODUCT} (32 Bit)" SecPlugin32
  SectionIn RO
  Call WaitUntilFree
  InitPluginsDir
  !insertmacro NOTE_EARLIER_REGISTRATION 32
  ${If} ${RunningX64}
    !insertmacro NOTE_EARLIER_REGISTRATION 64
  ${EndIf}
  SetOutPath "$INSTDIR"
  !insertmacro INSTALL_FILE "${DLL32}" "$INSTDIR\${DLL_NAME}"
  !insertmacro INSTALL_FILE "${TEST32}" "$INSTDIR\${TEST_NAME}"
  !insertmacro INSTALL_FILE "${GUIDE}" "$INSTDIR\${GUIDE_NAME}"
  ; The page replaces the plain-text guide of earlier versions.
  !insertmacro KEEP "$INSTDIR\${TEXT_GUIDE_NAME}"
  Delete "$INSTDIR\${TEXT_GUIDE_NAME}"
  SetOutPath "$INSTDIR\${PICTURES_NAME}"
  !insertmacro GUIDE_PICTURES INSTALL_PICTURE
SectionEnd

Section /o "${PRODUCT} (64 Bit)" SecPlugin64
  SetOutPath "$INSTDIR\x64"
  !insertmacro INSTALL_FILE "${DLL64}" "$INSTDIR\x64\${DLL_NAME}"
  !insertmacro INSTALL_FILE "${TEST64}" "$INSTDIR\x64\${TEST_NAME}"
SectionEnd

!macro REGISTER_OR_FAIL VIEW FILE
  DetailPrint "Registrieren (${VIEW} Bit): ${FILE}"
  StrCpy $Registered${VIEW} 1
  !insertmacro REGSVR32 "" ${VIEW} "" "${FILE}"
  ${If} $R0 != 0
    Call DescribeExit
    StrCpy $Failure "$(^NameDA) (${VIEW} Bit) konnte nicht registriert werden: $R1."
    Call Fail
  ${EndIf}
!macroend

; Runs after the file sections: registers what they copied, then writes the
; uninstaller, its entry and the Start-menu entries, each kept first.
Section "-Registrierung"
  !insertmacro REGISTER_OR_FAIL 32 "$INSTDIR\${DLL_NAME}"
  ${If} ${SectionIsSelected} ${SecPlugin64}
    !insertmacro REGISTER_OR_FAIL 64 "$INSTDIR\x64\${DLL_NAME}"
  ${EndIf}

  SectionGetSize ${SecPlugin32} $1
  ${If} ${SectionIsSelected} ${SecPlugin64}
    SectionGetSize ${SecPlugin64} $2
    IntOp $1 $1 + $2
  ${EndIf}
  !insertmacro KEEP "$INSTDIR\${UNINSTALLER}"
  !insertmacro ENTRY_VALUES KEEP_ENTRY
  ; For every user of the PC, as the plug-in is registered for all of them.
  SetShellVarContext all
  !insertmacro KEEP "${TEST_LINK32}"
  !insertmacro KEEP "${GUIDE_LINK}"
  ${If} ${SectionIsSelected} ${SecPlugin64}
    !insertmacro KEEP "${TEST_LINK64}"
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro ENTRY_VALUES WRITE_ENTRY
  CreateDirectory "${START_MENU}"
  CreateShortCut "${TEST_LINK32}" "$INSTDIR\${TEST_NAME}"
  CreateShortCut "${GUIDE_LINK}" "$INSTDIR\${GUIDE_NAME}"
  ${If} ${SectionIsSelected} ${SecPlugin64}
    CreateShortCut "${TEST_LINK64}" "$INSTDIR\x64\${TEST_NAME}"
  ${EndIf}
  ${If} ${Errors}
    StrCpy $Failure "Das Deinstallationsprogramm, sein Eintrag unter „Programme und Features“ oder ein Eintrag im Startmenü (Testprogramm, Anleitung) konnte nicht eingetragen werden."
    Call Fail
  ${EndIf}
SectionEnd

; The section indexes exist from here on.
Function .onInit
  !insertmacro REQUIRE_ADMIN "Installation"
  ${If} ${RunningX64}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/X64" $1
    ${IfNot} ${Errors}
      !insertmacro SelectSection ${SecPlugin64}
    ${EndIf}
  ${Else}
    ; 32-bit Windows cannot load the 64-bit plug-in: it is not offered.
    SectionSetText ${SecPlugin64} ""
  ${EndIf}
FunctionEnd

Function SkipComponentsOn32BitWindows
  ${IfNot} ${RunningX64}
    Abort
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPlugin32} "Das Plug-in für das Lichtsteuerprogramm (ein 32-Bit-Programm), sein Testprogramm und die Anleitung. Wird immer installiert."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPlugin64} "Zusätzlich die 64-Bit-Ausführung für 64-Bit-Programme, im Unterverzeichnis x64."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function un.onInit
  !insertmacro REQUIRE_ADMIN "Deinstallation"
FunctionEnd

; Stops the uninstallation, the files still in place, when a DLL refuses to
; unregister: removing the file would leave a registration without its file.
!macro UNREGISTER_OR_STOP VIEW FILE
  ${If} ${FileExists} "${FILE}"
    DetailPrint "Registrierung entfernen (${VIEW} Bit): ${FILE}"
    !insertmacro REGSVR32 "un." ${VIEW} "/u" "${FILE}"
    ${If} $R0 != 0
      Call un.DescribeExit
      StrCpy $Failure "Die Registrierung von $(^NameDA) (${VIEW} Bit) ließ sich nicht entfernen: $R1."
      DetailPrint "$Failure"
      MessageBox MB_OK|MB_ICONSTOP "$Failure$\r$\n$\r$\nDie Dateien bleiben an ihrem Platz." /SD IDOK
      SetErrorLevel ${EXIT_FAILED}
      Abort "$Failure"
    ${EndIf}
  ${EndIf}
!macroend

; Removes a DLL just unregistered; one that stays is registered again and
; the uninstallation stops, its entry in place.
!macro DELETE_OR_STOP VIEW FILE
  Delete "${FILE}"
  ${If} ${FileExists} "${FILE}"
    !insertmacro REGSVR32 "un." ${VIEW} "" "${FILE}"
    StrCpy $Failure "$(^NameDA) (${VIEW} Bit) ließ sich nicht löschen: ${FILE}"
    DetailPrint "$Failure"
    MessageBox MB_OK|MB_ICONSTOP "$Failure$\r$\n$\r$\nDas Plug-in bleibt installiert." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort "$Failure"
  ${EndIf}
!macroend

; A file that stays is named, as the uninstallation ends (a running
; "Tarvolk DMX – Test" cannot be removed).
!macro DELETE_OR_NAME FILE
  Delete "${FILE}"
  ${If} ${FileExists} "${FILE}"
    StrCpy $Stayed "$Stayed$\r$\n${FILE}"
  ${EndIf}
!macroend

!macro UNINSTALL_PICTURE NAME
  !insertmacro DELETE_OR_NAME "$INSTDIR\${PICTURES_NAME}\${NAME}"
!macroend

Section "Uninstall"
  Call un.WaitUntilFree
  !insertmacro UNREGISTER_OR_STOP 64 "$INSTDIR\x64\${DLL_NAME}"
  !insertmacro DELETE_OR_STOP 64 "$INSTDIR\x64\${DLL_NAME}"
  !insertmacro DELETE_OR_NAME "$INSTDIR\x64\${TEST_NAME}"
  RMDir "$INSTDIR\x64"
  !insertmacro UNREGISTER_OR_STOP 32 "$INSTDIR\${DLL_NAME}"
  !insertmacro DELETE_OR_STOP 32 "$INSTDIR\${DLL_NAME}"
  !insertmacro DELETE_OR_NAME "$INSTDIR\${TEST_NAME}"
  !insertmacro DELETE_OR_NAME "$INSTDIR\${GUIDE_NAME}"
  !insertmacro GUIDE_PICTURES UNINSTALL_PICTURE
  RMDir "$INSTDIR\${PICTURES_NAME}"
  SetShellVarContext all
  Delete "${TEST_LINK32}"
  Delete "${TEST_LINK64}"
  Delete "${GUIDE_LINK}"
  RMDir "${START_MENU}"
  ; The uninstaller and its entry stay, so that it can finish the job.
  ${If} $Stayed != ""
    StrCpy $Failure "Folgendes ließ sich nicht löschen:$Stayed"
    DetailPrint "$Failure"
    MessageBox MB_OK|MB_ICONSTOP "$Failure$\r$\n$\r$\nLäuft „Tarvolk DMX – Test“ noch? Schließen Sie es und starten Sie die Deinstallation noch einmal." /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Abort "$Failure"
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
