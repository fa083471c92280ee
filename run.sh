#!/usr/bin/env bash
# Installs what is needed, builds a Release, and converts the bundled sample
# document (or the PDF given as argument) to PowerPoint under out/.
# With --gui it starts the desktop window instead, with any files given queued.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF >/dev/null
if [ "${1:-}" = "--gui" ]; then
  shift
  cmake --build build-release --target pdfconverter
  exec ./build-release/app/main/pdfconverter "$@"
fi
cmake --build build-release --target pdfconvert
input="${1:-resources/sample/sample.pdf}"
mkdir -p out
name="$(basename "${input%.*}")"
./build-release/tools/pdfconvert --to pptx "$input" "out/$name.pptx"
echo "Wrote out/$name.pptx"
