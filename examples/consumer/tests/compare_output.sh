#!/bin/sh
# Runs the program $1 and compares its standard output with the file $2
# (the Bazel and Meson builds' test; CMake's is compare_output.cmake).
actual=$("$1") || { echo "$1 failed with status $?" >&2; exit 1; }
printf '%s\n' "$actual" | diff -u "$2" -
