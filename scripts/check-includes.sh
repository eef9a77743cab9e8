#!/usr/bin/env bash
# Fails, naming the lines, when a C++ file includes with a path that climbs out of its folder
# ("../"): every library exports its own include folder, and an include that climbs the layers
# must not compile by a detour.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.hpp' '*.cc')
if [ ${#files[@]} -eq 0 ]; then
  echo "includes: no C++ files found" >&2
  exit 1
fi
if climbing=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](\.\./|.*/\.\./)' \
    "${files[@]}"); then
  echo "These includes climb out of their folder (include by the library's path instead):" >&2
  printf '%s\n' "$climbing" >&2
  exit 1
fi
echo "includes: ${#files[@]} files checked, none climbs"
