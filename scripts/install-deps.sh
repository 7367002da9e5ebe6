#!/usr/bin/env bash
# Installs the Debian 12 packages Velmo needs to build, test and run.
# Idempotent: installs only what is missing. Runs apt-get as root or through sudo.
set -euo pipefail

PKGS=(
  g++ cmake ninja-build ccache pkg-config
  lld  # a faster linker, used when installed
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libjpeg62-turbo-dev libgif-dev libarchive-dev
  zlib1g-dev  # the PNG pictures of velmo --render
  time  # GNU time: the command-line benchmarks read a run's peak memory from it
  fonts-ipafont-gothic fonts-ipafont-mincho
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth
  libxcb1-dev  # the X server's key state (held arrow keys)
  xdotool  # real pointer events for the GUI tests under Xvfb
  locales
  python3  # the tests' checking scripts (tests/gui/check_png.py, tests/cli/check_render.py)
  python3-sympy  # regenerates tests/kernel/data/z_math_reference.inc
  python3-ezdxf  # regenerates tests/render/data/gc_transform_reference.inc; makes DXF fixtures
  poppler-utils  # the printing test measures the PDFs it prints (pdftoppm)
  imagemagick  # the image export test reads the pictures it writes (identify)
  lhasa  # the LZH extractor the compressed-drawing tests check our streams against
  clang-14 libclang-rt-14-dev  # the fuzz targets: clang with libFuzzer (scripts/build.sh fuzz)
  qt6-translations-l10n shared-mime-info desktop-file-utils  # Qt's own dialogs in Japanese; the desktop entry and the drawings' file types
)

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

need_locale=0
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then need_locale=1; fi

if [ ${#missing[@]} -eq 0 ] && [ $need_locale -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1
  fi
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A decimal-comma locale, so formatting tests can prove they ignore the C locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
fi
