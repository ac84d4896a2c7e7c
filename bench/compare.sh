#!/usr/bin/env bash
# import --batch against Debian's abook (a console address book) on the same 65,535 rows, as
# whole processes: a tab-separated file (abook gets the same rows as CSV) and a wide CSV file
# (16 quoted columns under a header row) that both programs read as it is. The runs of the two
# programs alternate, so a busy machine slows both alike; the script prints each program's
# median time, the ratio of the medians, and the peak memory of each run.
#
# Run it after `bash tools/build.sh`: bash bench/compare.sh [RUNS]  (default 21 runs each).
# BUILD=folder picks another build folder. abook is installed with apt-get when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
runs=${1:-21}
import="$build/bin/import"
inputs="$build/bin/BenchCompareInputs"
for program in "$import" "$inputs"; do
    if [ ! -x "$program" ]; then
        echo "compare.sh: $program is missing; build first (bash tools/build.sh)" >&2
        exit 1
    fi
done

if ! command -v abook >/dev/null 2>&1; then
    echo "compare.sh: installing abook from Debian" >&2
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get install -y abook >/dev/null ||
        { $sudo apt-get update >/dev/null && $sudo apt-get install -y abook >/dev/null; }
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$inputs" "$work"

python3 - "$import" "$work" "$runs" <<'EOF'
import os, statistics, sys, time

importExe, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
devnull = os.open(os.devnull, os.O_WRONLY)

def run(argv, remove):
    """One whole process: wall time in ms, peak memory in KB, exit status."""
    for path in remove:
        if os.path.exists(path):
            os.remove(path)  # abook does not replace an existing file
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ,
                          file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1),
                                        (os.POSIX_SPAWN_DUP2, devnull, 2)])
    _, status, usage = os.wait4(pid, 0)
    return (time.perf_counter() - start) * 1e3, usage.ru_maxrss, os.waitstatus_to_exitcode(status)

def compare(title, importInput, abookInput):
    ours = os.path.join(work, "out.vby")
    theirs = os.path.join(work, "out.abook")
    importArgv = [importExe, "--batch", importInput, "--output", ours]
    abookArgv = ["abook", "--convert", "--informat", "csv", "--infile", abookInput,
                 "--outformat", "abook", "--outfile", theirs]
    times = {"import": [], "abook": []}
    peaks = {"import": 0, "abook": 0}
    # One warm-up run of each, then the runs alternate.
    for i in range(runs + 1):
        for name, argv, out in (("import", importArgv, ours), ("abook", abookArgv, theirs)):
            ms, peak, code = run(argv, [out])
            if code != 0:
                sys.exit(f"compare.sh: {name} failed on {title} (exit {code})")
            if i > 0:
                times[name].append(ms)
                peaks[name] = max(peaks[name], peak)
    with open(theirs, encoding="utf-8", errors="replace") as f:
        abookEntries = sum(1 for line in f if line.startswith("name="))
    ourSize = os.path.getsize(ours)
    mi, ma = statistics.median(times["import"]), statistics.median(times["abook"])
    inputKb = os.path.getsize(importInput) // 1024
    print(f"{title} ({inputKb} KB; {runs} runs each, alternating)")
    print(f"  import --batch: median {mi:.1f} ms (min {min(times['import']):.1f}), "
          f"peak {peaks['import']} KB, wrote {ourSize} bytes")
    print(f"  abook --convert: median {ma:.1f} ms (min {min(times['abook']):.1f}), "
          f"peak {peaks['abook']} KB, wrote {abookEntries} entries")
    print(f"  ratio import/abook: {mi / ma:.2f}")
    sys.stdout.flush()

# A child started from here reports at least this script's own size as its peak, so the peak of
# a program that does nothing is read beside that floor.
_, floorPeak, _ = run(["true"], [])
_, emptyPeak, _ = run([importExe, "--batch"], [])
print(f"import doing nothing (a command-line mistake): peak {emptyPeak} KB "
      f"(the floor of this measure, /bin/true: {floorPeak} KB)")
compare("65,535 tab-separated lines", os.path.join(work, "people.txt"),
        os.path.join(work, "people-abook.csv"))
compare("65,535 rows of a wide CSV with a header row", os.path.join(work, "wide.csv"),
        os.path.join(work, "wide.csv"))
EOF
