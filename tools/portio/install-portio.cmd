@echo off
rem Installs portio.sys as the kernel service "portio", started at every boot and now.
rem Run from an administrator's command prompt in the folder that holds portio.sys.
rem Windows NT 4.0 and 2000 without sc.exe: import portio.reg instead and restart.
rem Written for the command interpreter of NT 4.0 too: GOTO and labels instead of EXIT /B,
rem which came with Windows 2000. FIND leaves the result in ERRORLEVEL: 0 installed, 1 not.
setlocal
rem Next to this script; in the current folder where the interpreter cannot name its folder.
set SOURCE=%~dp0portio.sys
if not exist "%SOURCE%" set SOURCE=portio.sys
set TARGET=%SystemRoot%\System32\drivers\portio.sys
if exist "%SOURCE%" goto copy
echo portio.sys is not next to this script.
goto failed
:copy
rem In a batch file COPY replaces the target without asking unless COPYCMD says otherwise.
set COPYCMD=
copy "%SOURCE%" "%TARGET%" >nul
if errorlevel 1 goto nocopy
rem ERRORLEVEL 1 beforehand, so that a missing sc.exe counts as a failure.
echo.| find "x" >nul
sc create portio type= kernel start= auto error= normal binPath= System32\drivers\portio.sys DisplayName= "Tavos port I/O"
if errorlevel 1 goto nocreate
sc start portio
echo ok| find "ok" >nul
goto end
:nocopy
echo Cannot copy portio.sys to %TARGET%: run as administrator.
goto failed
:nocreate
echo The service "portio" could not be created; is it installed already?
echo Without sc.exe (Windows NT 4.0, 2000): import portio.reg and restart.
:failed
echo failed| find "ok" >nul
:end
