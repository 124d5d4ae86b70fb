@echo off
rem Removes what install.cmd and the add-in wrote for the current user: the
rem registration, the per-user setting, and %LOCALAPPDATA%\QLX with qlx.dll,
rem QLX.ini and install.txt (the folder only when nothing else is left in it).
setlocal EnableExtensions
set "target=%LOCALAPPDATA%\QLX"
if not defined LOCALAPPDATA goto no_appdata

rem The add-in list entry tells which build was registered.
set "regsvr="
reg query "HKCU\Software\Microsoft\VBA\VBE\6.0\Addins\QLX_Project.Connect" >nul 2>&1
if not errorlevel 1 set "regsvr=%WINDIR%\System32\regsvr32.exe"
if defined regsvr if exist "%WINDIR%\SysWOW64\regsvr32.exe" set "regsvr=%WINDIR%\SysWOW64\regsvr32.exe"
if defined regsvr if exist "%target%\qlx.dll" "%regsvr%" /u /s "%target%\qlx.dll"
set "regsvr="
reg query "HKCU\Software\Microsoft\VBA\VBE\6.0\Addins64\QLX_Project.Connect" >nul 2>&1
if not errorlevel 1 set "regsvr=%WINDIR%\System32\regsvr32.exe"
if defined regsvr if defined PROCESSOR_ARCHITEW6432 set "regsvr=%WINDIR%\Sysnative\regsvr32.exe"
if defined regsvr if exist "%target%\qlx.dll" "%regsvr%" /u /s "%target%\qlx.dll"

rem "DisplayOnConnect" and the keys holding it, where the VB runtime keeps
rem per-user settings: only what install.txt says was not there before the
rem install, and a key only when nothing else is left in it. Without that
rem record, what the add-in alone writes while its DLL is still here; once
rem it is gone (a second run), nothing.
set "vb=HKEY_CURRENT_USER\Software\VB and VBA Program Settings"
set "absent_vb="
set "absent_app="
set "absent_section="
set "absent_value="
if exist "%target%\install.txt" goto read_record
if not exist "%target%\qlx.dll" goto settings
set "absent_vb=1"
set "absent_app=1"
set "absent_section=1"
set "absent_value=1"
goto settings
:read_record
for /f "usebackq" %%w in ("%target%\install.txt") do set "absent_%%w=1"
:settings
if defined absent_value reg delete "%vb%\Plumewrighter\Settings" /v DisplayOnConnect /f >nul 2>&1
if defined absent_section call :delete_if_empty "%vb%\Plumewrighter\Settings"
if defined absent_app call :delete_if_empty "%vb%\Plumewrighter"
if defined absent_vb call :delete_if_empty "%vb%"

if exist "%target%\qlx.dll" del /f /q "%target%\qlx.dll" >nul 2>&1
if exist "%target%\qlx.dll" goto in_use
if exist "%target%\QLX.ini" del /f /q "%target%\QLX.ini" >nul 2>&1
if exist "%target%\install.txt" del /f /q "%target%\install.txt" >nul 2>&1
if exist "%target%" rd "%target%" >nul 2>&1

reg query "HKCU\Software\Microsoft\VBA\VBE\6.0\Addins\QLX_Project.Connect" >nul 2>&1
if not errorlevel 1 goto still_registered
reg query "HKCU\Software\Microsoft\VBA\VBE\6.0\Addins64\QLX_Project.Connect" >nul 2>&1
if not errorlevel 1 goto still_registered
echo QLX をアンインストールしました。 QLX is uninstalled.
exit /b 0

:delete_if_empty
rem Deletes key %1 (named from HKEY_CURRENT_USER) when it holds no value and
rem no subkey. reg query prints a line for each value and each subkey, and
rem the key's own name (Windows always, Wine only above values): any line
rem but that name means the key is in use.
set "occupied="
for /f "delims=" %%l in ('reg query "%~1" 2^>nul') do if /i not "%%l"=="%~1" set "occupied=1"
if not defined occupied reg delete "%~1" /f >nul 2>&1
exit /b 0

:in_use
echo %target%\qlx.dll を削除できません。Office を閉じてからやり直してください。
echo Cannot delete %target%\qlx.dll: close Office and try again.
exit /b 1

:still_registered
echo QLX の登録が残っています。qlx.dll がない場合は、もう一度 install.cmd を実行してから
echo アンインストールしてください。
echo QLX is still registered; if qlx.dll was missing, run install.cmd and then this again.
exit /b 1

:no_appdata
echo LOCALAPPDATA が設定されていません。 LOCALAPPDATA is not set.
exit /b 1
