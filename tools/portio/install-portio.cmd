@echo off
rem Installs portio.sys as the kernel service "portio", started at every boot and now.
rem Run from an administrator's command prompt in the folder that holds portio.sys.
rem Windows NT 4.0 and 2000 without sc.exe: import portio.reg instead and restart.
setlocal
set TARGET=%SystemRoot%\System32\drivers\portio.sys
if not exist "%~dp0portio.sys" (
  echo portio.sys is not next to this script.
  exit /b 1
)
copy /y "%~dp0portio.sys" "%TARGET%" >nul
if errorlevel 1 (
  echo Cannot copy portio.sys to %TARGET%: run as administrator.
  exit /b 1
)
sc create portio type= kernel start= auto error= normal binPath= System32\drivers\portio.sys DisplayName= "Tavos port I/O"
if errorlevel 1 (
  echo The service "portio" could not be created; is it installed already?
  exit /b 1
)
sc start portio
exit /b 0
