@echo off
rem Runs every test program of this kit, one after another, on the Windows that runs this script:
rem GoogleTest's XML report and the console output of each go into the results folder, and
rem summary.txt there ends with the total. Exit code 0 only when every program passed.
rem   run-tests.cmd [--on-this-machine] [--results FOLDER]
rem The tests change the machine's settings while they run, so outside Windows Sandbox (whose user
rem is WDAGUtilityAccount) the script refuses unless given --on-this-machine.
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%~dp0"
set "results=%~dp0results"
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

if /i "%USERNAME%"=="WDAGUtilityAccount" goto run
if defined here goto changes
echo This is not a Windows Sandbox: the tests would change this machine's settings.
echo Double-click run-in-sandbox.cmd to run them in a throwaway Windows Sandbox, or, on a machine
echo that may be changed, run: run-tests.cmd --on-this-machine
exit /b 3

:changes
echo Running on this machine: while they run, the tests change
echo  - HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment\1.3 and 1.4, in both registry
echo    views ^(the 32-bit one under WOW6432Node^): removed before and after each test, a real
echo    runtime's entries too; this needs an administrator
echo  - HKEY_CURRENT_USER\...\Explorer\User Shell Folders and Shell Folders, "Desktop": set back
echo    after each test; HKEY_CURRENT_USER\Software\OstrelLinksTest: made and removed
echo  - files and shortcuts in folders under %TEMP%, and the log in %LOCALAPPDATA%\Ostrel
echo  - the screen: windows come and go, take the foreground and get key presses; do not type
echo    meanwhile
echo Close this window now to change nothing.
pause
echo.

:run
if not exist "%results%\" mkdir "%results%"
if not exist "%results%\" (
    echo cannot make the results folder %results%
    exit /b 4
)
if not defined OSTREL_SLOW_CASES set "OSTREL_SLOW_CASES=1"
set /a passed=0, failed=0
type nul >"%results%\programs.txt"
pushd "%kit%bin"
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
echo kit: ostrel-tests-@VERSION@-@PRESET@ (@ARCH@)
echo.
type "%results%\programs.txt"
echo.
echo %passed% passed, %failed% failed
goto :eof

rem :program PATH NAME runs one test program; it passed when it exited with 0 and GoogleTest
rem wrote its report (a program that cannot start at all may exit with 0 and write nothing).
:program
echo %~2
del "%results%\%~2.xml" 2>nul
"%~1" --gtest_output=xml:"%results%\%~2.xml" >"%results%\%~2.log" 2>&1
set "code=%errorlevel%"
set "verdict=FAILED, exit code %code%"
if "%code%"=="0" if exist "%results%\%~2.xml" set "verdict=passed"
if "%verdict%"=="passed" (set /a passed+=1) else (set /a failed+=1)
>>"%results%\programs.txt" echo %~2: %verdict%
goto :eof
