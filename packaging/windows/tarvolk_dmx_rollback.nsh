; The setup program's rollback (included by tarvolk_dmx_setup.nsi): what a
; run changes is noted before it changes, so that a failure anywhere, NSIS's
; own included, leaves an earlier installation as it was: its files, its
; registration and its entry.

; This run's journal of what it changes, for RollBack: the files it writes,
; each with a copy of the earlier one (earlier<n> beside it), and the values
; of the entry as they were.
!define JOURNAL "$PLUGINSDIR\journal.ini"
Var Changes     ; how many files this run has noted in its journal
Var Earlier32   ; the DLL the 32-bit view's class named before this run, or ""
Var Earlier64   ; and the 64-bit view's
Var Lost        ; what the rollback could not put back, one a line

; Copies SOURCE over TARGET, without a window; sets the error flag on failure.
!macro COPY SOURCE TARGET
  System::Call 'kernel32::CopyFileW(w "${SOURCE}", w "${TARGET}", i 0) i .R2'
  ${If} $R2 = 0
    SetErrors
  ${EndIf}
!macroend

; Notes the file $R0 in the journal before this run changes it, an earlier
; one with a copy; a file that cannot be kept fails the installation before
; it changes. A folder of that name is not kept: writing there fails anyway.
Function Keep
  IntOp $R1 $Changes + 1
  ClearErrors
  ${If} ${FileExists} "$R0"
  ${AndIfNot} ${FileExists} "$R0\*.*"
    !insertmacro COPY "$R0" "$PLUGINSDIR\earlier$R1"
  ${EndIf}
  ${IfNot} ${Errors}
    WriteINIStr "${JOURNAL}" files $R1 "$R0"
  ${EndIf}
  ${If} ${Errors}
    StrCpy $Failure "Die bisherige Datei ließ sich nicht sichern:$\r$\n$R0"
    Call Fail
  ${EndIf}
  StrCpy $Changes $R1
FunctionEnd

!macro KEEP FILE
  StrCpy $R0 "${FILE}"
  Call Keep
!macroend

; Writes SOURCE as FILE, noted in the journal first.
!macro INSTALL_FILE SOURCE FILE
  !insertmacro KEEP "${FILE}"
  ClearErrors
  File "/oname=${FILE}" "${SOURCE}"
  ${If} ${Errors}
    StrCpy $Failure "Diese Datei ließ sich nicht schreiben:$\r$\n${FILE}"
    Call Fail
  ${EndIf}
!macroend

; The values of the entry under "Programs and Features", each given to
; ACTION as TYPE NAME VALUE: written, kept in the journal or put back.
!macro ENTRY_VALUES ACTION
  !insertmacro ${ACTION} Str DisplayName "${PRODUCT}"
  !insertmacro ${ACTION} Str DisplayVersion "${VERSION}"
  !insertmacro ${ACTION} Str Publisher "${PUBLISHER}"
  !insertmacro ${ACTION} Str InstallLocation "$INSTDIR"
  !insertmacro ${ACTION} Str UninstallString '"$INSTDIR\${UNINSTALLER}"'
  !insertmacro ${ACTION} Str QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
  !insertmacro ${ACTION} DWORD EstimatedSize $1
  !insertmacro ${ACTION} DWORD NoModify 1
  !insertmacro ${ACTION} DWORD NoRepair 1
!macroend

!macro WRITE_ENTRY TYPE NAME VALUE
  WriteReg${TYPE} HKLM "${UNINSTALL_KEY}" "${NAME}" `${VALUE}`
!macroend

; "+" and the data of a value there before, "-" for none.
!macro KEEP_ENTRY TYPE NAME VALUE
  ClearErrors
  ReadReg${TYPE} $R0 HKLM "${UNINSTALL_KEY}" "${NAME}"
  ${If} ${Errors}
    WriteINIStr "${JOURNAL}" entry "${NAME}" "-"
  ${Else}
    WriteINIStr "${JOURNAL}" entry "${NAME}" "+$R0"
  ${EndIf}
!macroend

!macro PUT_BACK_ENTRY TYPE NAME VALUE
  ClearErrors
  ReadINIStr $R0 "${JOURNAL}" entry "${NAME}"
  ${If} $R0 == "-"
    DeleteRegValue HKLM "${UNINSTALL_KEY}" "${NAME}"
  ${ElseIfNot} ${Errors}
    StrCpy $R0 $R0 "" 1
    WriteReg${TYPE} HKLM "${UNINSTALL_KEY}" "${NAME}" "$R0"
  ${EndIf}
!macroend

; The DLL the class of VIEW names before this run: wherever it lies, a
; rollback registers it again.
!macro NOTE_EARLIER_REGISTRATION VIEW
  SetRegView ${VIEW}
  ReadRegStr $R0 HKCR "${PROG_ID}\CLSID" ""
  ReadRegStr $Earlier${VIEW} HKCR "CLSID\$R0\InprocServer32" ""
  SetRegView 32
!macroend

!macro REGISTER_EARLIER VIEW
  ${If} ${FileExists} "$Earlier${VIEW}"
    !insertmacro REGSVR32 "" ${VIEW} "" "$Earlier${VIEW}"
    ${If} $R0 != 0
      StrCpy $Lost "$Lost$\r$\n$Earlier${VIEW} (Registrierung)"
    ${EndIf}
  ${EndIf}
!macroend

; Undoes what this run changed: its registrations, every file in the journal
; (the earlier one put back, a new one removed) and the entry's values; then
; registers again the DLLs the classes named before, should this run's
; registrations have touched theirs. An earlier installation stays as it
; was, wherever it lies. A second run finds nothing left to undo. The
; folders go only when empty: the target may be the host's own folder.
Function RollBack
  ${If} $Registered64 == 1
    !insertmacro REGSVR32 "" 64 "/u" "$INSTDIR\x64\${DLL_NAME}"
  ${EndIf}
  ${If} $Registered32 == 1
    !insertmacro REGSVR32 "" 32 "/u" "$INSTDIR\${DLL_NAME}"
  ${EndIf}
  ; A folder in use as the working folder cannot be removed.
  SetDetailsPrint none
  SetOutPath "$TEMP"
  SetDetailsPrint lastused
  ${DoWhile} $Changes > 0
    ReadINIStr $R0 "${JOURNAL}" files $Changes
    ${If} ${FileExists} "$PLUGINSDIR\earlier$Changes"
      SetFileAttributes "$R0" NORMAL
      !insertmacro COPY "$PLUGINSDIR\earlier$Changes" "$R0"
      ${If} $R2 = 0
        StrCpy $Lost "$Lost$\r$\n$R0"
      ${EndIf}
    ${Else}
      Delete "$R0"
    ${EndIf}
    IntOp $Changes $Changes - 1
  ${Loop}
  RMDir "$INSTDIR\x64"
  RMDir "$INSTDIR\${PICTURES_NAME}"
  RMDir "$INSTDIR"
  SetShellVarContext all
  RMDir "${START_MENU}"
  !insertmacro ENTRY_VALUES PUT_BACK_ENTRY
  DeleteINISec "${JOURNAL}" entry
  DeleteRegKey /ifempty HKLM "${UNINSTALL_KEY}"
  ${If} $Registered32 == 1
    StrCpy $Registered32 0
    StrCpy $Registered64 0
    !insertmacro REGISTER_EARLIER 64
    !insertmacro REGISTER_EARLIER 32
  ${EndIf}
FunctionEnd

; Rolls back, then reports $Failure and what could not be put back, with
; exit code EXIT_FAILED.
Function Report
  Call RollBack
  DetailPrint "$Failure"
  ${If} $Lost == ""
    StrCpy $R0 "Die Installation wurde rückgängig gemacht; eine frühere Installation bleibt, wie sie war."
  ${Else}
    StrCpy $R0 "Die Installation wurde rückgängig gemacht. Folgendes ließ sich nicht wiederherstellen:$Lost"
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP "$Failure$\r$\n$\r$\n$R0" /SD IDOK
  SetErrorLevel ${EXIT_FAILED}
FunctionEnd

; Stops the installation after Report.
Function Fail
  Call Report
  Abort "$Failure"
FunctionEnd

; Every failure this script finds reports itself. NSIS ends the installation
; on its own only when a file it writes fails after the open (a full disk,
; an I/O error), the last one in the journal, after its own message.
Function .onInstFailed
  ${If} $Failure == ""
  ${AndIf} $Changes > 0
    ReadINIStr $R0 "${JOURNAL}" files $Changes
    StrCpy $Failure "Diese Datei ließ sich nicht vollständig schreiben (ist der Datenträger voll?):$\r$\n$R0"
    Call Report
  ${EndIf}
FunctionEnd
