@echo off
rem Removes what install.cmd and the add-in wrote for the current user: the
rem registration, the per-user settings, and %LOCALAPPDATA%\QLX with qlx.dll
rem and QLX.ini (the folder only when nothing else is left in it).
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

rem "DisplayOnConnect", kept where the VB runtime keeps per-user settings.
reg delete "HKCU\Software\VB and VBA Program Settings\Plumewrighter" /f >nul 2>&1
call :delete_if_empty "HKCU\Software\VB and VBA Program Settings"

if exist "%target%\qlx.dll" del /f /q "%target%\qlx.dll" >nul 2>&1
if exist "%target%\qlx.dll" goto in_use
if exist "%target%\QLX.ini" del /f /q "%target%\QLX.ini" >nul 2>&1
if exist "%target%" rd "%target%" >nul 2>&1

reg query "HKCU\Software\Microsoft\VBA\VBE\6.0\Addins\QLX_Project.Connect" >nul 2>&1
if not errorlevel 1 goto still_registered
reg query "HKCU\Software\Microsoft\VBA\VBE\6.0\Addins64\QLX_Project.Connect" >nul 2>&1
if not errorlevel 1 goto still_registered
echo QLX をアンインストールしました。 QLX is uninstalled.
exit /b 0

:delete_if_empty
rem Deletes key %1 when it holds no value and no subkey.
set "entries=0"
for /f "delims=" %%l in ('reg query "%~1" 2^>nul') do set /a entries+=1
if "%entries%"=="1" reg delete "%~1" /f >nul 2>&1
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
