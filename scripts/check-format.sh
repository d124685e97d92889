#!/usr/bin/env bash
# Every tracked C++ source is laid out as .clang-format says:
#   scripts/check-format.sh
# The suite runs it (test format); it is skipped (77) where clang-format or the
# git checkout it works on is missing.
cd "$(dirname "$0")/.." || exit 1
command -v clang-format >/dev/null || { echo "clang-format is not installed"; exit 77; }
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null) || { echo "not a git checkout"; exit 77; }
[ -n "$files" ] || { echo "no tracked sources"; exit 77; }
# shellcheck disable=SC2086
clang-format --dry-run --Werror $files
