; The Tavos installer: Tavos.exe in Program Files, started with Windows; on the NT family the
; kernel service "portio" with portio.sys; a Start-menu entry and an uninstaller registered
; in Add/Remove Programs. Installing again upgrades in place. The user's settings
; (SelectFile.ini in the Windows folder, C:\Tavos.ini) are never touched.
;   makensis -DDIST=<folder with Tavos.exe and portio.sys> -DOUTFILE=<setup.exe> tavos.nsi
; ANSI, so that it runs on Windows 95.
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef DIST
  !error "DIST must name the folder holding Tavos.exe and portio.sys"
!endif
!ifndef OUTFILE
  !define OUTFILE "TavosSetup.exe"
!endif

!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "Tavos"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavos"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SERVICE "portio"
!define DRIVER_FILE "$SYSDIR\drivers\portio.sys"
; The tray menu's EXIT command: Tavos removes its icon, closes the driver and ends.
!define EXIT_COMMAND 58112

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tavos"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; ---- ending a running Tavos
; Finds each process whose file is Tavos.exe through Toolhelp (95, 98, Me, 2000, XP) or, where
; Windows has no Toolhelp (NT 4.0), PSAPI; asks it to end with its own EXIT command and ends
; it by force when it has not gone after 5 s. Without either library nothing is ended.
!macro END_TAVOS_BODY
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  ; "error" where KERNEL32 has no such function.
  System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'
  ${If} $0 != "error"
  ${AndIf} $0 P<> 0
  ${AndIf} $0 P<> -1
    System::Alloc 296
    Pop $1
    System::Call '*$1(i 296)'
    System::Call 'kernel32::Process32First(p r0, p r1) i .r2'
    ${DoWhile} $2 <> 0
      System::Call '*$1(i, i, i .r3, i, i, i, i, i, i, &m260 .r4)'
      ${GetFileName} $4 $5
      ${If} $5 == "Tavos.exe"
        Push $3
        Call ${UN}EndTavosProcess
      ${EndIf}
      System::Call 'kernel32::Process32Next(p r0, p r1) i .r2'
    ${Loop}
    System::Free $1
    System::Call 'kernel32::CloseHandle(p r0)'
  ${Else}
    ; NT 4.0: the process identifiers from PSAPI, the names of their first modules.
    System::Alloc 4096
    Pop $1
    System::Call 'psapi::EnumProcesses(p r1, i 4096, *i .r2) i .r3'
    ${If} $3 != "error"
    ${AndIf} $3 <> 0
      IntOp $2 $2 / 4
      StrCpy $3 0
      ${DoWhile} $3 < $2
        IntOp $4 $3 * 4
        IntOp $4 $4 + $1
        System::Call '*$4(i .r4)'
        System::Call 'kernel32::OpenProcess(i 0x410, i 0, i r4) p .r5'
        ${If} $5 P<> 0
          System::Call 'psapi::GetModuleBaseNameA(p r5, p 0, t .r0, i 260)'
          System::Call 'kernel32::CloseHandle(p r5)'
          ${If} $0 == "Tavos.exe"
            Push $4
            Call ${UN}EndTavosProcess
          ${EndIf}
        ${EndIf}
        IntOp $3 $3 + 1
      ${Loop}
    ${EndIf}
    System::Free $1
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
!macroend

; Ends the process whose identifier is on the stack.
!macro END_TAVOS_PROCESS_BODY
  Exch $0
  Push $1
  Push $2
  Push $3
  ; The EXIT command to its framework's windows ("Afx:" classes); other windows ignore it.
  StrCpy $1 0
  ${Do}
    System::Call 'user32::FindWindowExA(p 0, p r1, p 0, p 0) p .r1'
    ${IfThen} $1 P= 0 ${|} ${ExitDo} ${|}
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    ${If} $2 = $0
      System::Call 'user32::GetClassNameA(p r1, t .r3, i 64)'
      StrCpy $3 $3 4
      ${If} $3 == "Afx:"
        System::Call 'user32::PostMessageA(p r1, i 0x111, i ${EXIT_COMMAND}, i 0)'
      ${EndIf}
    ${EndIf}
  ${Loop}
  ; SYNCHRONIZE | PROCESS_TERMINATE
  System::Call 'kernel32::OpenProcess(i 0x100001, i 0, i r0) p .r1'
  ${If} $1 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r1, i 5000) i .r2'
    ${If} $2 <> 0
      DetailPrint "Tavos did not end by itself: ending it"
      System::Call 'kernel32::TerminateProcess(p r1, i 0)'
      System::Call 'kernel32::WaitForSingleObject(p r1, i 5000)'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r1)'
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
!macroend

; Stops the kernel service, if there is one, and with DELETE_SERVICE defined deletes it.
!macro SERVICE_BODY
  Push $0
  Push $1
  Push $2
  System::Call 'advapi32::OpenSCManagerA(p 0, p 0, i 0xF003F) p .r0'
  ${If} $0 P<> 0
    System::Call 'advapi32::OpenServiceA(p r0, t "${SERVICE}", i 0xF01FF) p .r1'
    ${If} $1 P<> 0
      System::Alloc 28
      Pop $2
      System::Call 'advapi32::ControlService(p r1, i 1, p r2)'
      System::Free $2
      !ifdef DELETE_SERVICE
        System::Call 'advapi32::DeleteService(p r1)'
      !endif
      System::Call 'advapi32::CloseServiceHandle(p r1)'
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r0)'
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
!macroend

!define UN ""
Function EndTavosProcess
  !insertmacro END_TAVOS_PROCESS_BODY
FunctionEnd
Function EndTavos
  !insertmacro END_TAVOS_BODY
FunctionEnd
Function StopService
  !insertmacro SERVICE_BODY
FunctionEnd
!undef UN
!define UN "un."
Function un.EndTavosProcess
  !insertmacro END_TAVOS_PROCESS_BODY
FunctionEnd
Function un.EndTavos
  !insertmacro END_TAVOS_BODY
FunctionEnd
!define DELETE_SERVICE
Function un.RemoveService
  !insertmacro SERVICE_BODY
FunctionEnd
!undef DELETE_SERVICE
!undef UN

; ---- installing
; Tavos is for Windows 95, 98, Me, NT 4.0, 2000 and XP on 32-bit x86. NT 3.51 has no taskbar
; for its icon; later and 64-bit versions do not load its unsigned 32-bit driver as a
; service should.
Function .onInit
  ${If} ${IsNT}
    ${If} ${RunningX64}
    ${OrIfNot} ${AtLeastWinNT4}
    ${OrIfNot} ${AtMostWinXP}
      MessageBox MB_OK|MB_ICONSTOP "Tavos runs on Windows 95, 98, Me, NT 4.0, 2000 and XP (32-bit) only. It cannot be installed on this version of Windows." /SD IDOK
      SetErrorLevel 3
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Tavos"
  SetShellVarContext all
  ; An upgrade replaces a running copy's files: end it first.
  Call EndTavos
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "${DIST}\Tavos.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ${If} ${IsNT}
    ; An upgrade replaces the driver while its service is stopped, then starts it again.
    Call StopService
    SetOutPath "$SYSDIR\drivers"
    File "${DIST}\portio.sys"
    System::Call 'advapi32::OpenSCManagerA(p 0, p 0, i 0xF003F) p .r0 ?e'
    Pop $2
    ${If} $0 P= 0
      MessageBox MB_OK|MB_ICONSTOP "The driver service cannot be installed without administrator rights (error $2)." /SD IDOK
      SetErrorLevel 4
      Abort
    ${EndIf}
    ; SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL
    System::Call 'advapi32::CreateServiceA(p r0, t "${SERVICE}", t "Tavos port I/O", i 0xF01FF, i 1, i 2, i 1, t "${DRIVER_FILE}", p 0, p 0, p 0, p 0, p 0) p .r1 ?e'
    Pop $2
    ; 1073: it exists from an earlier install; the same settings, so it is used as it is.
    ${If} $1 P= 0
    ${AndIf} $2 = 1073
      System::Call 'advapi32::OpenServiceA(p r0, t "${SERVICE}", i 0xF01FF) p .r1 ?e'
      Pop $2
    ${EndIf}
    ${If} $1 P= 0
      System::Call 'advapi32::CloseServiceHandle(p r0)'
      MessageBox MB_OK|MB_ICONSTOP "The driver service could not be created (error $2)." /SD IDOK
      SetErrorLevel 5
      Abort
    ${EndIf}
    System::Call 'advapi32::StartServiceA(p r1, i 0, p 0) i .r3 ?e'
    Pop $2
    ; 1056: already running
    ${If} $3 = 0
    ${AndIf} $2 <> 1056
      DetailPrint "The driver service did not start now (error $2); it starts with Windows."
    ${EndIf}
    System::Call 'advapi32::CloseServiceHandle(p r1)'
    System::Call 'advapi32::CloseServiceHandle(p r0)'
  ${EndIf}

  WriteRegStr HKLM "${RUN_KEY}" "Tavos" '"$INSTDIR\Tavos.exe"'

  CreateDirectory "$SMPROGRAMS\Tavos"
  CreateShortCut "$SMPROGRAMS\Tavos\Tavos.lnk" "$INSTDIR\Tavos.exe"
  CreateShortCut "$SMPROGRAMS\Tavos\Uninstall Tavos.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tavos"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tavos.exe"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; Interactively, Tavos starts now; silently (a deployment), with the next logon.
  ${IfNot} ${Silent}
    Exec '"$INSTDIR\Tavos.exe"'
  ${EndIf}
SectionEnd

; ---- uninstalling: everything the installer made, nothing else.
Section "Uninstall"
  SetShellVarContext all
  Call un.EndTavos
  ${If} ${IsNT}
    Call un.RemoveService
    Delete /REBOOTOK "${DRIVER_FILE}"
  ${EndIf}
  DeleteRegValue HKLM "${RUN_KEY}" "Tavos"
  Delete "$SMPROGRAMS\Tavos\Tavos.lnk"
  Delete "$SMPROGRAMS\Tavos\Uninstall Tavos.lnk"
  RMDir "$SMPROGRAMS\Tavos"
  Delete "$INSTDIR\Tavos.exe"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
