#!/usr/bin/env bash
# Sets up and builds the program when needed, then starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
exec build/vazovi "$@"
