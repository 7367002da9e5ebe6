REM ã‚ÉŽÊ‚·
REM #jw
REM #hc ŽÊ‚·ü‚ð‘I‘ð
REM #0 Šî“_‚ðŽwŽ¦
REM #c ‹——£/_/d
@echo off
