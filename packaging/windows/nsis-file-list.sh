#!/bin/sh
# Writes the NSIS macros that install and remove the files of a staging
# folder, so the uninstaller removes exactly what the installer put down:
#   nsis-file-list.sh STAGING OUTPUT.nsh
# Run by qzt-programmer.nsi at compile time (!system).
set -eu
staging=$1
output=$2
if [ ! -d "$staging" ]; then
  echo "nsis-file-list.sh: no staging folder $staging" >&2
  exit 1
fi
staging=$(cd "$staging" && pwd)

# Names go into NSIS strings verbatim: refuse what would need quoting there
# (quotes, $, backslashes, control characters) rather than write a broken or
# wrong script. Nothing we stage has such names.
bad=$(cd "$staging" && find . -mindepth 1 | LC_ALL=C grep -n '["$`\\]\|[[:cntrl:]]' || true)
if [ -n "$bad" ]; then
  echo "nsis-file-list.sh: file names NSIS cannot take in $staging:" >&2
  echo "$bad" >&2
  exit 1
fi

windows_path() {
  printf '%s' "$1" | sed 's|^\./||; s|/|\\|g'
}

{
  echo "; Generated from $staging by nsis-file-list.sh; do not edit."
  echo "!macro QztInstallFiles"
  (cd "$staging" && find . -type d | LC_ALL=C sort) | while IFS= read -r dir; do
    files=$(cd "$staging" && find "$dir" -mindepth 1 -maxdepth 1 -type f | LC_ALL=C sort)
    [ -n "$files" ] || continue
    if [ "$dir" = . ]; then
      echo "  SetOutPath \"\$INSTDIR\""
    else
      echo "  SetOutPath \"\$INSTDIR\\$(windows_path "$dir")\""
    fi
    printf '%s\n' "$files" | while IFS= read -r file; do
      echo "  File \"$staging/${file#./}\""
    done
  done
  echo "  SetOutPath \"\$INSTDIR\""
  echo "!macroend"

  # Files first, then the folders deepest first; RMDir without /r leaves a
  # folder that holds something the program or the user put there.
  echo "!macro QztRemoveFiles"
  (cd "$staging" && find . -type f | LC_ALL=C sort) | while IFS= read -r file; do
    echo "  Delete /REBOOTOK \"\$INSTDIR\\$(windows_path "$file")\""
  done
  (cd "$staging" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while IFS= read -r dir; do
    echo "  RMDir \"\$INSTDIR\\$(windows_path "$dir")\""
  done
  echo "!macroend"
} >"$output"
