#!/bin/sh
# Link launcher for the installer stub: CMake hands over the whole link
# command, starting with the -posix compiler driver. The stub needs no
# threads from the C++ run-time, and the win32-thread driver links no
# winpthread (32 KB that the -posix unwinder would pull in for a lock).
# Our objects never use std::thread or std::mutex, so they link alike.
driver=$1
shift
exec "$(echo "$driver" | sed 's/-posix$/-win32/')" "$@"
