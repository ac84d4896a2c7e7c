#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite, then the contact-file
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh
(cd build && ctest --output-on-failure -j2)
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLOBY_SANITIZE=ON
cmake --build build-sanitize
(cd build-sanitize && ctest --output-on-failure -j2)
# Each fuzz target for a minute, so a reader that breaks again is caught at once.
bash tools/fuzz.sh 60
