@echo off
rem Runs every test program of this kit, one after another, on the Windows that runs this script:
rem each in a fresh folder of its own under %TEMP% (the kit's own folder is only read), its
rem GoogleTest XML report and console output into the results folder, and summary.txt there ends
rem with the total. After each program nothing of the kit may still run, nor hold the launcher's
rem or Corvex's UDP port: what does is ended, and the program counts as failed. Exit code 0 only
rem when every program passed.
rem   run-tests.cmd [--on-this-machine] [--results FOLDER]
rem The tests change the machine's settings while they run, so outside Windows Sandbox (whose user
rem is WDAGUtilityAccount) the script refuses unless given --on-this-machine, and then runs only
rem for an administrator.
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%~dp0"
set "bin=%~dp0bin\"
set "results=%~dp0results"
rem Where run-in-sandbox.cmd maps the results folder, which the sandbox may write.
set "sandbox_results=C:\Users\WDAGUtilityAccount\Desktop\ostrel-results"
set "here="
:options
if "%~1"=="" goto options_done
if /i "%~1"=="--on-this-machine" (
    set "here=1"
    shift
    goto options
)
if /i "%~1"=="--results" if not "%~2"=="" (
    set "results=%~f2"
    shift
    shift
    goto options
)
echo usage: run-tests.cmd [--on-this-machine] [--results FOLDER]
exit /b 2
:options_done

rem Wine's cmd takes || and && after a call by the called part's last command, not its exit code.
call :smart_app_control
if errorlevel 1 exit /b 5
if /i "%USERNAME%"=="WDAGUtilityAccount" goto results
if defined here goto changes
echo This is not a Windows Sandbox: the tests would change this machine's settings.
echo Double-click run-in-sandbox.cmd to run them in a throwaway Windows Sandbox, or, on a machine
echo that may be changed, run as an administrator: run-tests.cmd --on-this-machine
exit /b 3

:changes
"%bin%kit_check.exe" administrator
if errorlevel 1 exit /b 6
echo Running on this machine: while they run, the tests change
echo  - HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment\1.3 and 1.4, in both registry
echo    views ^(the 32-bit one under WOW6432Node^): removed before and after each test, a real
echo    runtime's entries too; this needs an administrator
echo  - HKEY_CURRENT_USER\...\Explorer\User Shell Folders and Shell Folders, "Desktop": set back
echo    after each test; HKEY_CURRENT_USER\Software\OstrelLinksTest: made and removed
echo  - Corvex.lnk and Configuration.lnk on the desktop: written, replaced or removed
echo  - files and shortcuts in folders under "%TEMP%"; Ostrel's logs in "%LOCALAPPDATA%\Ostrel": replaced or removed
echo  - under Wine, HKEY_CURRENT_USER\Software\Wine\X11 Driver, "Managed": N while a program runs
echo  - the screen: windows come and go, take the foreground and get clicks and key presses; do
echo    not type or click meanwhile
echo Close this window now to change nothing.
pause
echo.

:results
call :writable "%results%"
if not errorlevel 1 goto run
if /i not "%USERNAME%"=="WDAGUtilityAccount" goto unwritable
call :writable "%sandbox_results%"
if errorlevel 1 goto unwritable
set "results=%sandbox_results%"
goto run
:unwritable
echo Cannot write the results folder "%results%", so nothing was run.
echo Unpack the kit into a folder you may write ^(not a read-only or network folder^), or give one:
echo   run-tests.cmd --results FOLDER
exit /b 4

:run
echo Results: "%results%"
if not defined OSTREL_SLOW_CASES set "OSTREL_SLOW_CASES=1"
set /a passed=0, failed=0
set "temp_base=%TEMP%"
type nul >"%results%\programs.txt"
rem Wine's cmd finds no file for a wildcard in quotes.
pushd "%bin%"
for %%p in (*_test.exe) do call :program "%%~fp" "%%~np"
popd

call :summary >"%results%\summary.txt"
del "%results%\programs.txt"
echo.
type "%results%\summary.txt"
if %failed%==0 if %passed% gtr 0 exit /b 0
exit /b 1

rem The summary: a called label, not a bracketed block, whose redirection Wine's cmd would not
rem apply to each line.
:summary
ver
echo Windows architecture: %PROCESSOR_ARCHITECTURE% %PROCESSOR_ARCHITEW6432%
"%bin%kit_check.exe" dpi
echo kit: ostrel-tests-@VERSION@-@PRESET@ (@ARCH@)
echo.
type "%results%\programs.txt"
echo.
echo %passed% passed, %failed% failed
goto :eof

rem :program PATH NAME runs one test program in a fresh folder under %TEMP%, which is also its
rem TEMP; it passed when it exited with 0, GoogleTest wrote its report (a program that cannot
rem start at all may exit with 0 and write nothing), and it left nothing of the kit running.
:program
echo %~2
:fresh_folder
set "work=%temp_base%\ostrel-kit-%~2-%RANDOM%"
if exist "%work%" goto fresh_folder
mkdir "%work%"
del "%results%\%~2.xml" 2>nul
pushd "%work%"
set "TEMP=%work%"
set "TMP=%work%"
"%~1" --gtest_output=xml:"%results%\%~2.xml" >"%results%\%~2.log" 2>&1
set "code=%errorlevel%"
set "TEMP=%temp_base%"
set "TMP=%temp_base%"
popd
set "verdict=FAILED, exit code %code%"
if "%code%"=="0" if exist "%results%\%~2.xml" set "verdict=passed"
"%bin%kit_check.exe" leftovers "%bin%." "%work%" >"%work%.leftover" 2>&1
if errorlevel 1 call :leftover "%work%.leftover"
del "%work%.leftover"
rd /s /q "%work%" 2>nul
if "%verdict%"=="passed" (set /a passed+=1) else (set /a failed+=1)
>>"%results%\programs.txt" echo %~2: %verdict%
goto :eof

rem :leftover FILE: the program left what FILE names running; it was ended.
:leftover
set "left=?"
set /p "left=" <"%~1"
if "%verdict%"=="passed" (set "verdict=FAILED (leftover: %left%)") else set "verdict=%verdict%; leftover: %left%"
goto :eof

rem :writable FOLDER makes the folder where missing; fails when a file cannot be written there.
:writable
if not exist "%~1\" mkdir "%~1" 2>nul
copy /y nul "%~1\ostrel-write-test.tmp" >nul 2>nul
if not exist "%~1\ostrel-write-test.tmp" exit /b 1
del "%~1\ostrel-write-test.tmp"
exit /b 0

rem :smart_app_control fails where Smart App Control is on (1; 2 is its evaluation, which blocks
rem nothing): it lets no unsigned program run, and the kit's programs are unsigned.
:smart_app_control
set "sac="
for /f "tokens=1,3" %%a in ('reg query "HKLM\SYSTEM\CurrentControlSet\Control\CI\Policy" /v VerifiedAndReputablePolicyState 2^>nul') do if /i "%%a"=="VerifiedAndReputablePolicyState" set "sac=%%b"
if not "%sac%"=="0x1" exit /b 0
echo Smart App Control is on ^(Windows Security, App ^& browser control, Smart App Control
echo settings^): it lets no unsigned program run, and the programs of this kit are not signed.
echo They cannot run on this Windows; run the kit on another machine. Nothing was changed.
exit /b 1
