#!/usr/bin/env bash
# Orvanta in one command.
#   ./orvanta.sh [PROGRAM OPTIONS]   installs what is missing, builds, starts the program
#   ./orvanta.sh test                installs what is missing, builds, runs the whole test suite
#   ./orvanta.sh cli ARGS...         builds and runs orvanta-cli
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

preset=release
build_dir=build/release
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake --preset "$preset" >/dev/null
fi

case "${1:-}" in
  test)
    shift
    cmake --build "$build_dir" -j "$(nproc)"
    cd "$build_dir" && ctest --output-on-failure -j "$(nproc)" "$@"
    ;;
  cli)
    shift
    cmake --build "$build_dir" --target orvanta-cli >/dev/null
    exec "$build_dir/src/cli/orvanta-cli" "$@"
    ;;
  *)
    cmake --build "$build_dir" --target orvanta orvanta-cli
    exec "$build_dir/src/orvanta" "$@"
    ;;
esac
