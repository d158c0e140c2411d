#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and benchmarking Orvanta need.
# Idempotent: when everything is installed it prints nothing and changes nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl1-mesa-dev libxkbcommon-dev
  libsqlite3-dev sqlite3
  zlib1g-dev
  libgtest-dev libgmock-dev
  fonts-liberation2 poppler-utils
  xvfb xauth
  postgresql-15 libpq-dev
  libqrencode-dev zbar-tools
  libxlsxwriter-dev python3-openpyxl
  qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Устанавливаются пакеты: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
