#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60), one after the
# other, from a temporary copy of its seed corpus, so the repository stays clean.
#   tools/fuzz.sh [SECONDS] [TARGET...]     e.g. tools/fuzz.sh 1800 contact_file
# Fails when a target finds a crash, a leak or a wrong result; the input that shows it is kept
# under build-fuzz/crashes/ and its path printed. Keep it as a regression test by copying it to
# tests/fuzz/regressions/TARGET/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELLOBY_FUZZ=ON >/dev/null
targets=("$@")
if ((${#targets[@]} == 0)); then
    available=$(ninja -C "$build" -t targets all 2>/dev/null || true)
    for corpus in tests/fuzz/corpus/*/; do
        target=$(basename "$corpus")
        # A target whose library is not part of this tree yet has no build rule.
        if grep -q "^fuzz_$target:" <<<"$available"; then
            targets+=("$target")
        fi
    done
fi
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d /tmp/velloby-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
crashes="$build/crashes"
mkdir -p "$crashes"
failed=()
for target in "${targets[@]}"; do
    corpus="$work/$target"
    mkdir -p "$corpus"
    cp tests/fuzz/corpus/"$target"/* "$corpus"/
    log="$build/fuzz-$target.log"
    echo "== fuzz_$target for ${seconds}s (log: $log)"
    if "$build/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -timeout=20 -rss_limit_mb=2048 -max_len=8192 \
        -artifact_prefix="$crashes/$target-" "$corpus" >"$log" 2>&1; then
        grep -E '^#[0-9]+.*(DONE|cov:)' "$log" | tail -1 || true
        grep -E '^stat::number_of_executed_units' "$log" || true
    else
        failed+=("$target")
        tail -40 "$log"
        grep -o "Test unit written to .*" "$log" | sed "s/^/fuzz_$target: reproducer: /" || true
    fi
done
if ((${#failed[@]})); then
    echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
    echo "a crash was found in: ${failed[*]}" >&2
    exit 1
fi
echo "${#targets[@]} targets ran ${seconds}s each without a crash"
echo "fuzz: ${#targets[@]} passed, 0 failed"
