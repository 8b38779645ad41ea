@echo off
rem Stops and removes the kernel service "portio" and deletes its image.
rem Close Tavos first: the driver cannot stop while Tavos holds its device open.
rem Written for the command interpreter of NT 4.0 too: GOTO and labels instead of EXIT /B,
rem which came with Windows 2000. FIND leaves the result in ERRORLEVEL: 0 removed, 1 not.
setlocal
sc stop portio >nul 2>&1
rem ERRORLEVEL 1 beforehand, so that a missing sc.exe counts as a failure.
echo.| find "x" >nul
sc delete portio
if errorlevel 1 goto failed
del /f "%SystemRoot%\System32\drivers\portio.sys" >nul 2>&1
echo ok| find "ok" >nul
goto end
:failed
echo The service "portio" could not be removed.
echo Without sc.exe (Windows NT 4.0, 2000): delete the key
echo HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\portio, restart, delete portio.sys.
echo failed| find "ok" >nul
:end
