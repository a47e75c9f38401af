@echo off
rem Runs every test program of this pack, each under a time limit, prints
rem one line per program and a summary, and writes report.txt beside this
rem script. Ends with exit code 0 only when no test failed. Needs nothing
rem but cmd.exe (Windows XP SP3 and later); no PowerShell.
rem VISTORA_TIME_LIMIT: seconds each program may take (default 900).
setlocal enableextensions disabledelayedexpansion
cd /d "%~dp0"
if not defined VISTORA_TIME_LIMIT set VISTORA_TIME_LIMIT=900
rem Under Wine with no window manager (a virtual X server) closing a managed
rem window waits about 2 s for one: a thousand dialogs take half an hour.
rem There the prefix's windows are made unmanaged; Windows has no such key.
reg query "HKCU\Software\Wine" >nul 2>&1 && reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >nul
rem What the programs read: the viewer under test, the 32-bit product whose
rem headers are checked (the viewer itself in the 32-bit pack), and the
rem stand-in GDI+ that will not start.
set "VISTORA_EXE=%CD%\vistora.exe"
set "VISTORA_PRODUCT_EXE=%CD%\vistora.exe"
if exist "product\vistora.exe" set "VISTORA_PRODUCT_EXE=%CD%\product\vistora.exe"
set "VISTORA_FAKE_GDIPLUS=%CD%\fake_gdiplus\gdiplus.dll"
set VISTORA_PNGSUITE=
set programs=0
set passed=0
set failed=0
set skipped=0
set broken=0
if exist results rd /s /q results
md results
set "report=%CD%\report.txt"
> "%report%" echo Vistora test report
>> "%report%" echo pack: "%CD%"
>> "%report%" echo time limit per program: %VISTORA_TIME_LIMIT% s
>> "%report%" echo date: %DATE% %TIME%
>> "%report%" ver
>> "%report%" echo processor: %PROCESSOR_ARCHITECTURE% %PROCESSOR_ARCHITEW6432%, %NUMBER_OF_PROCESSORS% cores
for %%p in (*_test.exe) do call :run %%~np
>> "%report%" echo.
>> "%report%" echo ==== platform, as the first program read it
for %%p in (results\*.log) do call :platform "%%p"
for %%p in (results\*_test.log) do call :attach %%~np
if %broken% == 0 if %failed% == 0 set verdict=all passed
if not %broken% == 0 set verdict=FAILED
if not %failed% == 0 set verdict=FAILED
set summary=run-tests: %programs% programs, %passed% passed, %failed% failed, %skipped% skipped, %broken% programs ended early: %verdict%
echo %summary%
>> "%report%" echo.
>> "%report%" echo %summary%
echo report: "%report%"
rem Double-clicked (started by its full path): keep the window open.
if "%~f0" == "%~0" pause
if "%verdict%" == "all passed" exit /b 0
exit /b 1

rem One program: its output and GoogleTest XML into results\, its line.
:run
set /a programs+=1
set p_passed=
set p_failed=
set p_skipped=
"%CD%\%1.exe" --gtest_output=xml:results\%1.xml > "results\%1.log" 2>&1
set rc=%errorlevel%
rem find, not findstr: Wine 8's findstr finds nothing.
for /f "tokens=5,7,9" %%a in ('type "results\%1.log" ^| find "[ counts   ]"') do (
  set p_passed=%%a
  set p_failed=%%b
  set p_skipped=%%c
)
set line=%1: passed %p_passed%, failed %p_failed%, skipped %p_skipped%
if not defined p_passed set line=%1: FAILED, ended early with exit code %rc% (see results\%1.log)
if not defined p_passed set /a broken+=1
if not defined p_passed goto :line
set /a passed+=p_passed, failed+=p_failed, skipped+=p_skipped
if not %rc% == 0 set line=%line%: FAILED, exit code %rc%
if not %rc% == 0 if %p_failed% == 0 set /a broken+=1
if %rc% == 0 set line=%line%: passed
:line
echo %line%
>> "%report%" echo %line%
goto :eof

:platform
if defined platform goto :eof
for /f "delims=" %%l in ('type %1 ^| find "[ platform ]"') do set "platform=%%l"
if defined platform >> "%report%" echo %platform%
goto :eof

rem A program's XML, or its output where it wrote none.
:attach
>> "%report%" echo.
>> "%report%" echo ==== %1
if exist "results\%1.xml" type "results\%1.xml" >> "%report%"
if not exist "results\%1.xml" type "results\%1.log" >> "%report%"
goto :eof
