@echo off
rem Runs this kit's tests in a throwaway Windows Sandbox: writes ostrel-tests.wsb beside this
rem script (this folder mapped read-only, its results folder writable, no network) and starts the
rem sandbox with it; inside, run-tests.cmd runs at logon and leaves its results in results\.
rem   run-in-sandbox.cmd [--write-only]    --write-only: write the .wsb, start nothing
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%~dp0"
set "kit=%kit:~0,-1%"
set "results=%kit%\results"
set "wsb=%kit%\ostrel-tests.wsb"
set "sandbox=%SystemRoot%\System32\WindowsSandbox.exe"
rem Where the two folders appear inside the sandbox.
set "inside=C:\Users\WDAGUtilityAccount\Desktop\ostrel-tests"
set "inside_results=C:\Users\WDAGUtilityAccount\Desktop\ostrel-results"
set "only="
if /i "%~1"=="--write-only" set "only=1"

if defined only goto write
if exist "%sandbox%" goto write
echo Windows Sandbox is not available here: %sandbox% is missing.
echo It is part of Windows 10 and 11 Pro, Enterprise and Education ^(not Home^), and needs
echo virtualization turned on in the firmware. To turn it on, tick "Windows Sandbox" under
echo Control Panel, Programs, "Turn Windows features on or off", or run as an administrator
echo   dism /online /enable-feature /featurename:Containers-DisposableClientVM /all
echo and restart Windows. Nothing was changed.
pause
exit /b 1

:write
if not exist "%results%\" mkdir "%results%"
rem The .wsb is XML in UTF-8: through the UTF-8 code page, any letter of the folder's path
rem reaches the file as it is; an ampersand is the one character of a path that XML escapes.
for /f "tokens=2 delims=:." %%c in ('chcp') do set "codepage=%%c"
chcp 65001 >nul
if errorlevel 1 (
    echo cannot switch to the UTF-8 code page: run this script in a console of its own
    exit /b 4
)
set "host=%kit:&=&amp;%"
set "host_results=%results:&=&amp;%"
del "%wsb%" 2>nul
call :configuration >"%wsb%"
if defined codepage chcp %codepage% >nul
if not exist "%wsb%" (
    echo cannot write "%wsb%"
    exit /b 4
)
echo Wrote "%wsb%"
if defined only exit /b 0
echo Starting Windows Sandbox; the tests start in it once it is up. When they are done,
echo results\summary.txt in this folder says how they went; then close the sandbox.
start "" "%sandbox%" "%wsb%"
exit /b 0

rem The configuration, in the schema of Windows Sandbox's .wsb files. The host's paths go through
rem delayed expansion, which takes their characters as they are.
:configuration
setlocal EnableDelayedExpansion
echo ^<Configuration^>
echo   ^<Networking^>Disable^</Networking^>
echo   ^<MappedFolders^>
echo     ^<MappedFolder^>
echo       ^<HostFolder^>!host!^</HostFolder^>
echo       ^<SandboxFolder^>%inside%^</SandboxFolder^>
echo       ^<ReadOnly^>true^</ReadOnly^>
echo     ^</MappedFolder^>
echo     ^<MappedFolder^>
echo       ^<HostFolder^>!host_results!^</HostFolder^>
echo       ^<SandboxFolder^>%inside_results%^</SandboxFolder^>
echo       ^<ReadOnly^>false^</ReadOnly^>
echo     ^</MappedFolder^>
echo   ^</MappedFolders^>
echo   ^<LogonCommand^>
echo     ^<Command^>cmd.exe /c start "Ostrel tests" cmd.exe /k %inside%\run-tests.cmd --results %inside_results%^</Command^>
echo   ^</LogonCommand^>
echo ^</Configuration^>
endlocal
goto :eof
