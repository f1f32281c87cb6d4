#!/usr/bin/env bash
# Stands in for a Wine check that can't run on this machine: says why, and tells ctest "skipped".
echo "skipped: $1"
exit 77
