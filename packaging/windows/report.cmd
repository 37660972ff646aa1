@echo off
rem The usage report: Kivrel writes report.html beside its timer.ini and opens it in the
rem default browser.
"%~dp0Kivrel.exe" --report
if errorlevel 1 pause
