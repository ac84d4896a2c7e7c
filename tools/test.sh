#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite, then the contact-file
# and exchange tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz
# target. Ends with one line counting everything that ran.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/build.sh
log=$(mktemp /tmp/velloby-tests.XXXXXX)
trap 'rm -f "$log"' EXIT
(cd build && ctest --output-on-failure -j2) | tee -a "$log"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLOBY_SANITIZE=ON
cmake --build build-sanitize
(cd build-sanitize && ctest --output-on-failure -j2) | tee -a "$log"
# Each fuzz target for a minute, so a reader that breaks again is caught at once.
bash tools/fuzz.sh 60 | tee -a "$log"
# ctest says "... 0 tests failed out of N" for each run; fuzz.sh says "fuzz: N passed, 0 failed".
total=0
for count in $(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p; s/^fuzz: \([0-9]*\) passed.*/\1/p' "$log"); do
    total=$((total + count))
done
echo "all: $total passed, 0 failed"
