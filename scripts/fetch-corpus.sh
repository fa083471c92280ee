#!/usr/bin/env bash
# Rebuilds the corpus of real-world PDFs in DIR from the Debian packages its
# files come from, for a checkout that has no ../shared/corpus beside it.
#
#   scripts/fetch-corpus.sh DIR
#
# scripts/corpus.tsv lists every corpus file: its name, page count, password,
# origin, what it stresses and the SHA-256 of the file. A file whose origin is
# a file of a Debian package (deb:PACKAGE=VERSION:/path, the path ending in
# .pdf or .pdf.gz) is made here: apt-get downloads that version of the package
# (the current one when the mirror no longer has it), dpkg-deb takes the file
# out, gzip unpacks it, and its SHA-256 is checked. Files made from others
# (printed by an office suite or Ghostscript, rotated, scanned) are not made
# here: the tests that need such a file make their own from the files here.
#
# DIR receives the files and a manifest.tsv with the lines of the corpus list
# for the files it holds (the tests read passwords and page counts there).
# Downloaded packages stay in DIR/.debs, so a second run downloads nothing and
# a run whose files are all in place does nothing at all.
#
# Checking: a file taken from the pinned version must have its SHA-256, or it
# is left out. A file taken from another version (the mirror dropped the
# pinned one) whose bytes differ is kept, marked in its manifest line: the
# origin names the version it came from, the page count is "-" (the pinned
# count need not hold, so no test asserts it) and the description starts with
# "[not the pinned file: ...]". The script says so on standard error.
#
# Exit status: 0 when every such file is in DIR, 1 when some could not be made
# (no network, a package gone from the mirror; the others are in DIR), 2 on
# wrong use. apt-get reads its usual configuration (APT_CONFIG, proxies).
set -euo pipefail
export LC_ALL=C

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "Usage: $0 DIR" >&2
  exit 2
fi
list="$(cd "$(dirname "$0")" && pwd)/corpus.tsv"
mkdir -p "$1"
dir="$(cd "$1" && pwd)"
debs="$dir/.debs"
work="$(mktemp -d "${TMPDIR:-/tmp}/fetch-corpus.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$debs"

for tool in apt-get dpkg-deb tar gzip sha256sum; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "fetch-corpus: $tool is not installed; no corpus file is made" >&2
    exit 1
  fi
done

sha256() { sha256sum "$1" | cut -d' ' -f1; }

# Once a download fails for want of a network, the other packages are not
# tried: each would only wait for the same time-out.
offline=0
# The packages whose pinned version the mirror does not have.
declare -A gone=()

# Downloads PACKAGE at VERSION ("" for the current one) into the cache.
# Prints nothing; returns 1 when apt-get could not.
download() {
  local package="$1" version="$2" wanted="$1"
  [ -n "$version" ] && wanted="$package=$version"
  [ "$offline" = 0 ] || return 1
  [ -z "$version" ] || [ -z "${gone[$wanted]:-}" ] || return 1
  rm -rf "$work/download" && mkdir -p "$work/download"
  if (cd "$work/download" && apt-get download -q -o Acquire::Retries=1 "$wanted") </dev/null >"$work/apt.log" 2>&1; then
    mv "$work"/download/*.deb "$debs/"
    return 0
  fi
  if grep -q -i -e 'Could not resolve' -e 'Temporary failure resolving' -e 'Could not connect' \
       -e 'Connection timed out' -e 'Network is unreachable' -e 'Connection refused' "$work/apt.log"; then
    offline=1
    echo "fetch-corpus: cannot download $wanted (no network); no further package is tried:" >&2
  elif [ -n "$version" ] && grep -q "Version '.*' for '.*' was not found" "$work/apt.log"; then
    gone[$wanted]=1
    return 1  # the caller falls back to the current version
  elif grep -q 'Unable to locate package' "$work/apt.log"; then
    echo "fetch-corpus: cannot download $wanted (not in apt's lists; apt-get update may help):" >&2
  else
    echo "fetch-corpus: cannot download $wanted:" >&2
  fi
  grep '^E:' "$work/apt.log" | sed 's/^/  /' >&2 || true
  return 1
}

# The cached package file of PACKAGE at VERSION ("" for any version).
cached() {
  local package="$1" version="${2//:/%3a}" f
  local files=("$debs/${package}_"*.deb)
  [ -z "$version" ] || files=("$debs/${package}_${version}_"*.deb)
  for f in "${files[@]}"; do
    [ -f "$f" ] && { echo "$f"; return 0; }
  done
  return 1
}

# The version of a package file.
debVersion() { dpkg-deb -f "$1" Version; }

# Takes PATH out of the package file DEB into OUT (unpacked when it ends in .gz).
extract() {
  local deb="$1" path="$2" out="$3"
  rm -rf "$work/tree" && mkdir -p "$work/tree"
  dpkg-deb --fsys-tarfile "$deb" | tar -xf - -C "$work/tree" ".$path" 2>"$work/tar.log" || true
  local file="$work/tree$path"
  if [ ! -f "$file" ] || [ -L "$file" ]; then
    echo "fetch-corpus: $(basename "$deb") holds no file $path" >&2
    return 1
  fi
  case "$path" in
    *.gz) gzip -dc "$file" >"$out" ;;
    *) cp "$file" "$out" ;;
  esac
}

made=0
verified=0
failed=0
unpinned=0
manifest="$work/manifest.tsv"
head -n 1 "$list" | cut -f1-5 >"$manifest"

while IFS=$'\t' read -r name pages password origin what pinnedSum; do
  [[ "$origin" =~ ^deb:([^=]+)=([^:]+):(/[^[:space:]]+\.pdf(\.gz)?)$ ]] || continue
  package="${BASH_REMATCH[1]}"
  version="${BASH_REMATCH[2]}"
  path="${BASH_REMATCH[3]}"
  target="$dir/$name"
  note="$debs/$name.unpinned"  # "VERSION SHA-256" of a kept file from another version

  if [ -f "$target" ] && [ "$(sha256 "$target")" = "$pinnedSum" ]; then
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$pages" "$password" "$origin" "$what" >>"$manifest"
    made=$((made + 1)); verified=$((verified + 1))
    continue
  fi
  if [ -f "$target" ] && [ -f "$note" ] && [ "$(cut -d' ' -f2 "$note")" = "$(sha256 "$target")" ]; then
    other="$(cut -d' ' -f1 "$note")"
  else
    rm -f "$target" "$note"
    deb="$(cached "$package" "$version")" || { download "$package" "$version" && deb="$(cached "$package" "$version")"; } ||
      deb="$(cached "$package" "")" || { download "$package" "" && deb="$(cached "$package" "")"; } || deb=""
    if [ -z "$deb" ]; then
      [ "$offline" = 1 ] || echo "fetch-corpus: $name not made ($package is not available)" >&2
      failed=$((failed + 1))
      continue
    fi
    if ! extract "$deb" "$path" "$work/$name"; then
      failed=$((failed + 1))
      continue
    fi
    sum="$(sha256 "$work/$name")"
    other="$(debVersion "$deb")"
    if [ "$sum" != "$pinnedSum" ] && [ "$other" = "$version" ]; then
      echo "fetch-corpus: $name from $package $version has SHA-256 $sum, not $pinnedSum; left out" >&2
      failed=$((failed + 1))
      continue
    fi
    mv "$work/$name" "$target"
    if [ "$sum" = "$pinnedSum" ]; then
      other=""
    else
      echo "$other $sum" >"$note"
    fi
  fi

  if [ -z "$other" ]; then
    printf '%s\t%s\t%s\t%s\t%s\n' "$name" "$pages" "$password" "$origin" "$what" >>"$manifest"
    verified=$((verified + 1))
  else
    echo "fetch-corpus: $name is from $package $other, not the pinned $version, and differs from the pinned file" >&2
    printf '%s\t-\t%s\t%s\t[not the pinned file: %s %s differs from %s] %s\n' "$name" "$password" \
      "deb:$package=$other:$path" "$package" "$other" "$version" "$what" >>"$manifest"
    unpinned=$((unpinned + 1))
  fi
  made=$((made + 1))
done < <(tail -n +2 "$list")

mv "$manifest" "$dir/manifest.tsv"
summary="$made corpus files in $dir ($verified checked against their SHA-256"
[ "$unpinned" = 0 ] || summary+=", $unpinned from other package versions"
[ "$failed" = 0 ] || summary+=", $failed could not be made"
[ "$offline" = 0 ] || summary+=" for want of a network"
echo "fetch-corpus: $summary)"
[ "$failed" = 0 ]
