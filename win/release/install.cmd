@echo off
rem Installs the QLX add-in for the current user, without administrator
rem rights: picks the DLL matching Office's bitness, copies it to
rem %LOCALAPPDATA%\QLX (QLX.ini lives beside it) and registers it per user.
rem Usage: install.cmd [64^|32]   (the bitness of Office, when not detected)
setlocal EnableExtensions
set "here=%~dp0"
set "target=%LOCALAPPDATA%\QLX"
set "bits=%~1"
if not defined LOCALAPPDATA goto no_appdata

if defined bits goto check_bits
rem Click-to-Run Office writes its platform here, in the 64-bit view.
call :read_value "HKLM\SOFTWARE\Microsoft\Office\ClickToRun\Configuration" Platform
if defined bits goto check_bits
rem An MSI Office writes the Bitness of its version below Outlook.
for %%v in (16.0 15.0 14.0) do if not defined bits call :read_value "HKLM\SOFTWARE\Microsoft\Office\%%v\Outlook" Bitness
if defined bits goto check_bits

echo Office のビット数 (64 ビット版か 32 ビット版か) をレジストリから判別できませんでした。
echo The bitness of Office could not be found in the registry.
echo Excel の [ファイル] ^> [アカウント] ^> [Excel のバージョン情報] で確認できます。
echo Excel's File ^> Account ^> About Excel shows it.
set /p "bits=Office は 64 / 32 ? (Office bitness, 64 or 32): "

:check_bits
if /i "%bits%"=="x64" set "bits=64"
if /i "%bits%"=="x86" set "bits=32"
if "%bits%"=="64" goto bits_64
if "%bits%"=="32" goto bits_32
echo 64 または 32 を指定してください。 Give 64 or 32.
exit /b 2

:bits_64
if /i "%PROCESSOR_ARCHITECTURE%"=="x86" if not defined PROCESSOR_ARCHITEW6432 goto not_64
set "source=%here%x64\qlx.dll"
set "regsvr=%WINDIR%\System32\regsvr32.exe"
if defined PROCESSOR_ARCHITEW6432 set "regsvr=%WINDIR%\Sysnative\regsvr32.exe"
goto copy

:bits_32
set "source=%here%x86\qlx.dll"
set "regsvr=%WINDIR%\System32\regsvr32.exe"
if exist "%WINDIR%\SysWOW64\regsvr32.exe" set "regsvr=%WINDIR%\SysWOW64\regsvr32.exe"

:copy
if not exist "%source%" goto no_source
if not exist "%target%\" mkdir "%target%"
call :record_absent
if exist "%target%\qlx.dll" del /f /q "%target%\qlx.dll" >nul 2>&1
if exist "%target%\qlx.dll" goto copy_failed
copy /y "%source%" "%target%\qlx.dll" >nul 2>&1
if not exist "%target%\qlx.dll" goto copy_failed
"%regsvr%" /s "%target%\qlx.dll"
if errorlevel 1 goto register_failed

echo QLX (%bits% ビット版) をインストールしました: %target%\qlx.dll
echo QLX (%bits%-bit) is installed in %target%.
echo.
echo VBA エディタで [アドイン] ^> [アドイン マネージャ] を開き、
echo "QLXﾍｯﾀﾞ/ｴﾗｰﾊﾝﾄﾞﾗ挿入" を選んで "ロード/アンロード" をオンにしてください。
echo 毎回読み込むには "起動時にロード" もオンにします。
echo In the VBA editor open Add-Ins ^> Add-In Manager, select "QLXﾍｯﾀﾞ/ｴﾗｰﾊﾝﾄﾞﾗ挿入"
echo and tick Loaded/Unloaded (and Load on Startup to load it every time).
exit /b 0

:record_absent
rem What the add-in will write for this user and is not there yet, so that
rem uninstall.cmd removes exactly that. The first install's record stands:
rem a second install finds the add-in's own keys already there.
rem One line at a time: Wine's cmd does not redirect a bracketed block.
if exist "%target%\install.txt" exit /b 0
set "record=%target%\install.txt"
set "vb=HKCU\Software\VB and VBA Program Settings"
type nul >"%record%"
reg query "%vb%" >nul 2>&1
if errorlevel 1 echo vb>>"%record%"
reg query "%vb%\Plumewrighter" >nul 2>&1
if errorlevel 1 echo app>>"%record%"
reg query "%vb%\Plumewrighter\Settings" >nul 2>&1
if errorlevel 1 echo section>>"%record%"
reg query "%vb%\Plumewrighter\Settings" /v DisplayOnConnect >nul 2>&1
if errorlevel 1 echo value>>"%record%"
exit /b 0

:read_value
rem Sets bits to the value (x64 or x86) of %2 below key %1, looked up in the
rem 64-bit and then the 32-bit view of the registry.
for %%r in (64 32) do if not defined bits for /f "tokens=1,2,*" %%a in ('reg query "%~1" /v %2 /reg:%%r 2^>nul') do if /i "%%a"=="%2" set "bits=%%c"
exit /b 0

:not_64
echo 64 ビット版 Office は 64 ビット版 Windows にしかありません。
echo 64-bit Office needs 64-bit Windows.
exit /b 2

:no_appdata
echo LOCALAPPDATA が設定されていません。 LOCALAPPDATA is not set.
exit /b 1

:no_source
echo %source% がありません。zip を展開したフォルダで実行してください。
echo %source% is missing: run this from the folder the zip was extracted to.
exit /b 1

:copy_failed
echo %target%\qlx.dll に書き込めません。Office を閉じてからやり直してください。
echo Cannot write %target%\qlx.dll: close Office and try again.
exit /b 1

:register_failed
echo qlx.dll を登録できませんでした (regsvr32)。
echo qlx.dll could not be registered (regsvr32).
exit /b 1
