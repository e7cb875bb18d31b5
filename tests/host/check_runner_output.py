#!/usr/bin/python3
"""The runner's reports reach their destination or the runner says they did
not: exit status 3 and one line on standard error, and --output never leaves
a partial or stray file. usage: check_runner_output.py RUNNER"""
import json
import os
import re
import subprocess
import sys
import tempfile

from checks import check, outcome

runner = sys.argv[1]


def run(args, **kwargs):
    return subprocess.run([runner, "--runs", "1", "--processes", "1"] + args, capture_output=True, text=True,
                          timeout=120, **kwargs)


with open("/dev/full", "w") as full:
    r = subprocess.run([runner, "--runs", "1", "--processes", "1"], stdout=full, stderr=subprocess.PIPE, text=True,
                       timeout=120)
check(r.returncode == 3 and r.stderr == "velmark: cannot write standard output: No space left on device\n",
      f"a full standard output gives status 3 and the message ({r.returncode}, {r.stderr!r})")

r = subprocess.run(["sh", "-c", 'exec "$0" --runs 1 --processes 1 >&-', runner], capture_output=True, text=True, timeout=120)
check(r.returncode == 3 and r.stderr.startswith("velmark: cannot write standard output: "),
      f"a closed standard output gives status 3 ({r.returncode}, {r.stderr!r})")

before = set(os.listdir("/dev"))
r = run(["--output", "/dev/full"])
check(r.returncode == 3 and r.stderr == "velmark: cannot write /dev/full: No space left on device\n",
      f"--output to a full device gives status 3 and the message ({r.returncode}, {r.stderr!r})")
check(set(os.listdir("/dev")) == before, "--output left nothing behind beside /dev/full")

with tempfile.TemporaryDirectory() as folder:
    missing = os.path.join(folder, "no-such-folder", "result.json")
    r = run(["--output", missing])
    check(r.returncode == 3 and r.stderr == f"velmark: cannot create a file in {os.path.dirname(missing)} "
          f"(to replace {missing} with): No such file or directory\n",
          f"--output into a missing folder names the folder ({r.returncode}, {r.stderr!r})")

    # A file of the system's that no file can be made beside.
    r = run(["--output", "/proc/self/status"])
    check(r.returncode == 3 and r.stderr.startswith("velmark: cannot create a file in /proc/self "),
          f"--output onto a file of /proc names where the file could not be made ({r.returncode}, {r.stderr!r})")

    # Through symbolic links: the link stays, the file it names is written,
    # and a link to a file that does not exist yet makes it.
    os.mkdir(os.path.join(folder, "real"))
    real, link = os.path.join(folder, "real", "r.json"), os.path.join(folder, "link.json")
    with open(real, "w") as old:
        old.write("an earlier result")
    os.symlink("real/r.json", link)
    r = run(["--output", link, "--json"])
    with open(real) as written:
        check(r.returncode == 0 and os.path.islink(link) and written.read() == r.stdout,
              f"--output through a link writes the file it names and keeps the link ({r.returncode}, {r.stderr!r})")
    dangling, made = os.path.join(folder, "dangling.json"), os.path.join(folder, "real", "made.json")
    os.symlink(made, dangling)
    r = run(["--output", dangling])
    check(r.returncode == 0 and os.path.islink(dangling) and os.path.isfile(made),
          f"--output through a dangling link makes the file it names ({r.returncode}, {r.stderr!r})")
    check(sorted(os.listdir(os.path.join(folder, "real"))) == ["made.json", "r.json"],
          "no temporary file is left beside the targets")

    r = run(["--output", folder])
    check(r.returncode == 3 and r.stderr.endswith(": Is a directory\n"),
          f"--output onto a folder is an error ({r.returncode}, {r.stderr!r})")

    result = os.path.join(folder, "result.json")
    with open(result, "w") as old:
        old.write("an earlier result, much longer than the new one will be " * 1000)
    r = run(["--output", result, "--json"])
    check(r.returncode == 0, f"a validated run with --output exits 0 ({r.returncode}, {r.stderr!r})")
    with open(result) as written:
        saved = written.read()
    check(saved == r.stdout, "the file holds exactly the JSON report")
    check(sorted(os.listdir(folder)) == ["dangling.json", "link.json", "real", "result.json"],
          "no temporary file is left beside it")
    report = json.loads(saved)
    keys = {"schema_version", "velmark_version", "timestamp_utc", "host", "build", "measurement",
            "runs_kflops", "statistics", "processes", "result_line", "clock", "timing_table", "machine",
            "comparable", "warnings", "validation"}
    check(keys <= set(report), f"every top-level key is there (missing: {keys - set(report)})")
    check(set(report["host"]) >= {"os", "cpu", "logical_cpus"} and
          set(report["build"]) >= {"compiler", "flags", "kernels"} and
          set(report["measurement"]) >= {"runs", "seconds", "budget_seconds"} and
          set(report["statistics"]) >= {"best_kflops", "median_kflops", "min_kflops", "median_to_best"},
          "every nested key is there")
    check(report["timestamp_utc"].endswith("Z") and len(report["timestamp_utc"]) == 20,
          f"the time is ISO 8601 UTC: {report['timestamp_utc']}")
    check(report["validation"]["validated"] is True and len(report["runs_kflops"]) == 1 and
          report["measurement"]["processes"] == 1 and len(report["processes"]) == 1,
          "one run in one process, validated")
    clock, stats = report["clock"], report["statistics"]
    check(report["validation"]["measurement_validated"] is True and clock["agrees"] is True and
          0 < clock["resolution_seconds"] < 1e-3 and clock["stated_resolution_seconds"] > 0 and
          abs(clock["counter_seconds"] / clock["reference_seconds"] - 1) < 0.03 and clock["coarse"] is False,
          f"the counter agrees with the wall clock and its steps are measured: {clock!r}")
    check(stats["headline_kflops"] == report["runs_kflops"][0] and report["processes"][0]["headline_runs"] == 1 and
          re.fullmatch(r"CPU performance [0-9]+\.[0-9]{2} MFlops", report["result_line"]) is not None and
          abs(float(report["result_line"].split()[2]) - stats["headline_kflops"] / 1000) < 0.01,
          "one run is its own block, and the result line is the headline's")

# Several processes: each one's runs in order, the headline the mean of
# their best blocks, with an interval about it.
r = subprocess.run([runner, "--runs", "10", "--processes", "3", "--json"], capture_output=True, text=True, timeout=120)
report = json.loads(r.stdout)
processes, stats = report["processes"], report["statistics"]
low, high = stats["headline_interval_kflops"]
check(r.returncode == 0 and report["measurement"]["processes"] == 3 and report["measurement"]["warmup_runs"] == 3 and
      len(report["runs_kflops"]) == 30 and [p["runs"] for p in processes] == [10, 10, 10] and
      stats["headline_kflops"] == round(sum(p["headline_kflops"] for p in processes) / 3) and
      low <= stats["headline_kflops"] <= high and all(p["clock_hz_before"] > 0 for p in processes),
      f"three processes of ten runs, the headline their mean within its interval ({r.returncode}, {stats})")

# Every processor at once: one copy alone, then one copy a processor, each
# validated; the sum is the copies' headlines added. Counts the system will
# not give are refused.
r = subprocess.run([runner, "--copies", "all", "--runs", "12", "--json"], capture_output=True, text=True, timeout=120)
report = json.loads(r.stdout)
copies = report["copies"]
check(r.returncode == 0 and copies["count"] == len(os.sched_getaffinity(0)) == len(report["processes"]) and
      copies["sum_kflops"] == sum(p["headline_kflops"] for p in report["processes"]) and
      copies["efficiency"] == copies["mean_kflops"] / copies["single_headline_kflops"] and
      report["validation"]["validated"] and len(copies["steps_kflops"][0]) == 10 and
      any({"processor": copies["single_processor"], "headline_kflops": copies["single_headline_kflops"]}.items() <=
          t.items() for t in copies["core_types"]),
      f"--copies all: {copies['count']} copies validated, their sum and efficiency ({r.returncode}, {r.stderr!r})")
for bad in ("4096", "0", "x"):
    r = subprocess.run([runner, "--runs", "1", "--copies", bad], capture_output=True, text=True, timeout=120)
    check(r.returncode == 2 and r.stderr.startswith(f"velmark: invalid value for --copies: '{bad}' (") and r.stdout == "",
          f"--copies {bad} is refused with exit status 2 ({r.returncode}, {r.stderr!r})")

with tempfile.TemporaryDirectory() as folder:
    # A write that fails half-way: the file size limit is hit, with SIGXFSZ
    # ignored so that the write itself fails (EFBIG).
    result = os.path.join(folder, "result.json")
    earlier = b"an earlier result\n"
    with open(result, "wb") as old:
        old.write(earlier)
    r = subprocess.run(["sh", "-c", 'trap "" XFSZ; ulimit -f 1; exec "$0" --runs 1 --processes 1 --output "$1"', runner, result],
                       capture_output=True, text=True, timeout=120)
    with open(result, "rb") as kept:
        check(r.returncode == 3 and r.stderr.startswith(f"velmark: cannot write {result}: ") and
              kept.read() == earlier,
              "a write cut short by the file size limit gives status 3 and leaves FILE as it was (%d, %r)"
              % (r.returncode, r.stderr))
    check(sorted(os.listdir(folder)) == ["result.json"], "and leaves no temporary file")

# Help is printed whatever else is wrong.
for args, env in ((["--help"], dict(os.environ, VELMARK_KERNELS="no-such-kernels")), (["--bogus", "-h"], None)):
    r = subprocess.run([runner] + args, capture_output=True, text=True, timeout=60, env=env)
    check(r.returncode == 0 and r.stdout.startswith("usage: velmark") and not r.stderr,
          f"{' '.join(args)} prints the help and exits 0 ({r.returncode}, {r.stderr!r})")

# The variant names: the runner's own table, the CMake list the tests run,
# and the runner page's list (docs/runner.md) all agree.
if len(sys.argv) > 3:
    cmake_list, readme = sys.argv[2].split(";"), sys.argv[3]
    usage = subprocess.run([runner, "--help"], capture_output=True, text=True, timeout=60).stdout
    listed = re.search(r"one of: ([a-z0-9, ]+)\n", usage).group(1).split(", ")
    with open(readme) as f:
        documented = re.search(r"VELMARK_KERNELS=([a-z0-9|]+)", f.read()).group(1).split("|")
    check(listed == cmake_list == documented,
          f"one list of kernel variants: runner {listed}, CMake {cmake_list}, docs {documented}")

sys.exit(outcome())
