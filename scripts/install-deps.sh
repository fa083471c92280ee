#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and
# the tools need. Safe to run again: it only calls apt-get for what is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  clang-14 libclang-rt-14-dev
  # libraries the code links
  libqpdf-dev libfreetype-dev libfontconfig-dev libcairo2-dev libpng-dev libjpeg62-turbo-dev
  libopenjp2-7-dev libtiff-dev libjbig2dec0-dev zlib1g-dev libminizip-dev
  libfribidi-dev libidn-dev
  # the desktop application (Qt 6 Core, Network, Test, Widgets, D-Bus; Qt PDF for page previews)
  qt6-base-dev
  qt6-pdf-dev
  # run-time data
  poppler-data
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  qpdf poppler-utils libxml2-utils unzip zip xvfb xauth
  libreoffice-impress-nogui libreoffice-writer-nogui libreoffice-calc-nogui
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 locales
  # the fonts the corpus's Japanese, Chinese, Thai and Arabic text is laid out in, and the faces the tests draw
  # pages in under names no office application knows
  fonts-noto-cjk fonts-thai-tlwg fonts-arabeyes fonts-urw-base35
  # a second reader of the Word documents
  abiword
  python3-openpyxl
  # second readers of the RTF, HTML and Word outputs
  pandoc
  # the renderer the picture benchmarks measure against
  mupdf-tools
  # the test that counts the files a conversion creates; the benchmark's page of text turned to outlines
  strace ghostscript
  # the benchmarks' peak memory and processor time
  time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A decimal-comma locale, so the tests can prove that numbers written into
# files never follow the process locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
fi
