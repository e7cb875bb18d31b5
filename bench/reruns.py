#!/usr/bin/python3
"""How far a rerun lands: measures N times on this machine, one after
another, with the runner or with the page in one of Debian's browser
engines, and prints

- the coverage: of every ordered pair of runs, how often the second's
  headline falls in the first's 95% interval;
- the interval's half-width as a share of the headline (median and worst);
- the measured core clock's spread over the runs, against the frequency
  the system reports (/proc/cpuinfo), and whether operations per cycle
  vary less than MFlops (they should, where the clock moves);
- with --verdicts, compare_results.py's verdict on two reruns of the
  default and on --kernels sse2 against the default.

usage: reruns.py --runner PATH [--reruns 20] [--verdicts] [-- RUNNER ARGUMENTS]
       reruns.py --page chromium|firefox|webkit --site DIR [--reruns 20]
"""
import argparse
import json
import math
import os
import statistics
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
COMPARE = os.path.join(ROOT, "tools", "compare_results.py")


def runner_report(runner, arguments, path):
    done = subprocess.run([runner, "--output", path, *arguments], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"reruns.py: the runner failed ({done.returncode}): {done.stderr.strip()}")


def page_report(engine, site, path):
    done = subprocess.run(["node", os.path.join(ROOT, "tools", "measure_page.mjs"), "--engine", engine, "--site", site,
                           "--output", path], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"reruns.py: the page failed ({done.returncode}): {done.stderr.strip()}")


def reported_mhz():
    """The frequencies /proc/cpuinfo gives, or None where it gives none."""
    try:
        with open("/proc/cpuinfo") as f:
            found = [float(line.split(":")[1]) for line in f if line.startswith("cpu MHz")]
    except OSError:
        return None
    return found or None


def spread(values):
    """The coefficient of variation: sample deviation over mean."""
    return statistics.stdev(values) / statistics.mean(values) if len(values) > 1 else float("nan")


def t_cdf(x, df):
    """Student's t distribution function, by Simpson's rule on its density."""
    scale = math.gamma((df + 1) / 2) / (math.sqrt(df * math.pi) * math.gamma(df / 2))

    def density(u):
        return scale * (1 + u * u / df) ** (-(df + 1) / 2)

    steps = 2000
    h = abs(x) / steps
    area = h / 3 * sum(density(k * h) * (1 if k in (0, steps) else 4 if k % 2 else 2) for k in range(steps + 1))
    return 0.5 + math.copysign(area, x)


def ideal_coverage(n):
    """How often a 95% interval of the mean of n processes covers a rerun's
    mean on a machine where every process's figure is drawn alike: the two
    means differ by sqrt(2) times one mean's error, so P(|T| < t975 / sqrt(2))
    with n - 1 degrees of freedom (86% for 8 processes, never 90%)."""
    low, high = 0.0, 100.0
    for _ in range(60):  # t975 by bisection
        middle = (low + high) / 2
        low, high = (middle, high) if t_cdf(middle, n - 1) < 0.975 else (low, middle)
    return 2 * t_cdf(low / math.sqrt(2), n - 1) - 1


def summary(reports):
    headlines = [r["statistics"]["headline_kflops"] for r in reports]
    intervals = [r["statistics"]["headline_interval_kflops"] for r in reports]
    pairs = [(i, j) for i in range(len(reports)) for j in range(len(reports)) if i != j]
    covered = sum(1 for i, j in pairs if intervals[i][0] <= headlines[j] <= intervals[i][1])
    widths = [(high - low) / 2 / h for (low, high), h in zip(intervals, headlines)]
    lines = [
        f"reruns: {len(reports)}, headlines {min(headlines) / 1000:.2f} to {max(headlines) / 1000:.2f} MFlops "
        f"(spread {100 * spread(headlines):.2f}%)",
        f"coverage: {covered} of {len(pairs)} ordered pairs ({100 * covered / len(pairs):.1f}%): a rerun's headline "
        f"within another run's 95% interval (where every process's figure is drawn alike, "
        f"{100 * ideal_coverage(min(len(r['processes']) for r in reports)):.1f}%)",
        f"half-width: median {100 * statistics.median(widths):.2f}%, worst {100 * max(widths):.2f}% of the headline",
    ]
    clocks = [r["machine"]["clock_hz"] for r in reports]
    if all(c is not None for c in clocks):
        ops = [r["machine"]["ops_per_cycle"] for r in reports]
        lines.append(f"core clock: {min(clocks) / 1e9:.3f} to {max(clocks) / 1e9:.3f} GHz measured "
                     f"(spread {100 * spread(clocks):.2f}%, most from least {100 * (max(clocks) / min(clocks) - 1):.2f}%)")
        mhz = reported_mhz()
        if mhz:
            lines.append(f"the system reports {min(mhz):.0f} to {max(mhz):.0f} MHz "
                         f"({100 * (statistics.median(clocks) / 1e6 / statistics.median(mhz) - 1):+.2f}% measured against it)")
        lines.append(f"operations per cycle: spread {100 * spread(ops):.2f}% against MFlops' {100 * spread(headlines):.2f}% "
                     f"({spread(ops) / spread(headlines):.2f} of it)")
    not_comparable = [w["code"] for r in reports for w in r["warnings"]]
    lines.append(f"not comparable: {len([r for r in reports if not r['comparable']])} of {len(reports)} "
                 f"({', '.join(sorted(set(not_comparable))) or 'no warning'})")
    return "\n".join(lines)


def verdicts(runner, arguments, folder):
    """The comparison's verdict on two reruns of the default, and on sse2 against the default."""
    paths = [os.path.join(folder, name) for name in ("default.json", "rerun.json", "sse2.json")]
    runner_report(runner, arguments, paths[0])
    runner_report(runner, arguments, paths[1])
    runner_report(runner, [*arguments, "--kernels", "sse2"], paths[2])
    done = subprocess.run(["/usr/bin/python3", COMPARE, *paths], capture_output=True, text=True)
    return "\n".join(line for line in done.stdout.splitlines() if " against " in line or "warning:" in line)


def main():
    parser = argparse.ArgumentParser(description="How far a rerun of the benchmark lands.")
    parser.add_argument("--runner", help="the runner to measure with")
    parser.add_argument("--page", choices=["chromium", "firefox", "webkit"], help="measure with the page in this engine")
    parser.add_argument("--site", help="the page's site (build/web/site), with --page")
    parser.add_argument("--reruns", type=int, default=20)
    parser.add_argument("--verdicts", action="store_true", help="also compare reruns and sse2 (with --runner)")
    parser.add_argument("arguments", nargs="*", help="the runner's own arguments, after --")
    args = parser.parse_args()
    if bool(args.runner) == bool(args.page) or (args.page and not args.site) or args.reruns < 2:
        parser.error("give --runner PATH, or --page ENGINE with --site DIR, and at least 2 reruns")
    with tempfile.TemporaryDirectory() as folder:
        reports = []
        for k in range(args.reruns):
            path = os.path.join(folder, f"run{k}.json")
            if args.runner:
                runner_report(args.runner, args.arguments, path)
            else:
                page_report(args.page, args.site, path)
            with open(path) as f:
                reports.append(json.load(f))
        first = reports[0]
        print(f"{first['host']['cpu']}, {first['host'].get('browser') or first['build']['platform']} "
              f"{first['build']['kernels']}, {first['measurement']['processes']} processes a run")
        print(summary(reports))
        if args.verdicts and args.runner:
            print(verdicts(args.runner, args.arguments, folder))
    return 0


if __name__ == "__main__":
    sys.exit(main())
