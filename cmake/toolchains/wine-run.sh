#!/bin/sh
# Runs a Windows program under wine in a given prefix, quietly:
#   wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# CTest uses it as the cross-compiling emulator of the MinGW build. The
# prefix is created on first use (tools/cross.sh creates it up front).
prefix=$1
shift
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" exec wine "$@"
