#!/usr/bin/env bash
# Installs what is needed, builds a Release, and converts the bundled sample
# document (or the PDF given as argument) to PowerPoint under out/.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQV_BUILD_TESTS=OFF -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build-release --target pdfconvert
input="${1:-resources/sample/sample.pdf}"
mkdir -p out
name="$(basename "${input%.*}")"
./build-release/tools/pdfconvert --to pptx "$input" "out/$name.pptx"
echo "Wrote out/$name.pptx"
