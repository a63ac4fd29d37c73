@echo off
rem Runs this kit's tests in a throwaway Windows Sandbox: writes ostrel-tests.wsb beside this
rem script (this folder mapped read-only, its results folder writable, no network) and starts the
rem sandbox with it; inside, run-tests.cmd runs at logon and leaves its results in results\.
rem First it takes the Mark of the Web off this folder's files, and it stops where Smart App
rem Control would block the kit's unsigned programs.
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

rem Wine's cmd takes || and && after a call by the called part's last command, not its exit code.
call :smart_app_control
if errorlevel 1 exit /b 5
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
call :unblock
if errorlevel 1 exit /b 4
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

rem :unblock takes the Mark of the Web (a Zone.Identifier stream, which Explorer gives every file it
rem unpacks from a downloaded archive) off the files of this folder, and of this folder only:
rem mapped into the sandbox, each marked program would wait there behind a prompt that asks the
rem network, which the sandbox does not have.
:unblock
dir /s /r "%kit%" 2>nul | find /i ":Zone.Identifier:$DATA" >nul
if errorlevel 1 exit /b 0
echo The kit's files carry the Mark of the Web ^(they came from the Internet^): taking it off the
echo files in "%kit%" ^(Unblock-File^).
set "OSTREL_KIT=%kit%"
powershell.exe -NoProfile -NonInteractive -Command "Get-ChildItem -LiteralPath $env:OSTREL_KIT -Recurse -File | Unblock-File"
if not errorlevel 1 exit /b 0
echo Could not take the Mark of the Web off. In Explorer, open the Properties of the downloaded
echo zip, tick "Unblock", OK, and unpack it again.
pause
exit /b 1

rem :smart_app_control fails where Smart App Control is on (1; 2 is its evaluation, which blocks
rem nothing): it lets no unsigned program run, and the kit's programs are unsigned.
:smart_app_control
set "sac="
for /f "tokens=1,3" %%a in ('reg query "HKLM\SYSTEM\CurrentControlSet\Control\CI\Policy" /v VerifiedAndReputablePolicyState 2^>nul') do if /i "%%a"=="VerifiedAndReputablePolicyState" set "sac=%%b"
if not "%sac%"=="0x1" exit /b 0
echo Smart App Control is on ^(Windows Security, App ^& browser control, Smart App Control
echo settings^): it lets no unsigned program run, and the programs of this kit are not signed.
echo They cannot run on this Windows; run the kit on another machine. Nothing was changed.
pause
exit /b 1
