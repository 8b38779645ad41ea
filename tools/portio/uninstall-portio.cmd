@echo off
rem Stops and removes the kernel service "portio" and deletes its image.
rem Close Tavos first: the driver cannot stop while Tavos holds its device open.
setlocal
sc stop portio >nul 2>&1
sc delete portio
if errorlevel 1 (
  echo The service "portio" could not be removed.
  exit /b 1
)
del /f "%SystemRoot%\System32\drivers\portio.sys" >nul 2>&1
exit /b 0
