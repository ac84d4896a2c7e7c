#!/usr/bin/env bash
# Quick start: installs what is missing, builds, and starts velloby (a contact file may follow).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
bash "$root/tools/build.sh"
exec "$root/build/bin/velloby" "$@"
