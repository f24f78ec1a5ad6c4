#!/bin/sh
# twin_listing.sh <run-wine> <twin's run-wine> (<program> <twin>)...: each
# 32-bit test program lists the very tests that its twin of the x86_64
# build lists, from which ctest took its tests.
set -u
runwine=$1 twinwine=$2
shift 2
own=$(mktemp) twin=$(mktemp)
trap 'rm -f "$own" "$twin"' EXIT
status=0
while [ $# -ge 2 ]; do
  if ! "$runwine" "$1" --gtest_list_tests >"$own" ||
    ! "$twinwine" "$2" --gtest_list_tests >"$twin"; then
    echo "FAIL: ${1##*/} or its twin did not list its tests"
    status=1
  elif ! diff -u "$twin" "$own"; then
    echo "FAIL: ${1##*/} lists other tests than its twin (above: - its twin's, + its own)"
    status=1
  fi
  shift 2
done
exit $status
