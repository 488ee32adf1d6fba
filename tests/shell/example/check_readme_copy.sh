#!/bin/sh
# The README shows the harness example whole: its first C++ block after the
# harness heading must be the program ctest builds and runs, line for line.
set -eu
readme=$1
program=$2
awk '/^### Driving the studio from a test/ { inSection = 1 }
     inSection && /^```cpp$/ { inBlock = 1; next }
     inBlock && /^```$/ { exit }
     inBlock { print }' "$readme" | diff -u "$program" - && echo "1 passed, 0 failed"
