#!/usr/bin/python3
"""Compares Velmark result files (velmark --output FILE, or --json) side by
side: CPU, build, best, median, spread and the ratio of each best to the
first file's. Then each file against the first: the ratio of their
headlines with its 95% interval and a verdict, faster, slower or no change
(within the interval or within a 2% noise threshold), saying when the two
come from different machines, builds or kernels, when either has too few
processes for an interval, and when either is not comparable. With --plot FILE.png it also draws each file's runs as a
distribution with its best and median marked (needs Debian's
python3-matplotlib, which is why this runs Debian's own Python).

With --trend FILE.png it draws, for each report of copies at once
(velmark --copies), every copy's rate over its runs in steps, so that
throttling under all-core load shows.

usage: compare_results.py A.json B.json ... [--plot FILE.png] [--trend FILE.png]
"""
import argparse
import json
import os
import sys

# Version 2 added the warm-up run and the coefficient of variation; version
# 3 leads with a headline of its own (the best block of ten runs) and checks
# the clock. Before 3 the headline was the best run. Version 4 stores the
# measurement's problems as codes with their numbers, which this tool does
# not read. Version 5 measures in processes: their headlines are the
# samples an interval is made from.
SCHEMA_VERSIONS = (1, 2, 3, 4, 5)

# A change smaller than this is no change, whatever its interval: reruns
# on one quiet machine move the headline by up to about 1%, twice that is
# the least a verdict calls a difference.
NOISE_THRESHOLD = 0.02
# Below three processes a standard deviation is a guess.
LEAST_SAMPLES = 3
# Student's t, two-sided 95%, by degrees of freedom (measure/interval.cpp).
T975 = (12.7062, 4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622, 2.2281,
        2.2010, 2.1788, 2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009, 2.0930, 2.0860,
        2.0796, 2.0739, 2.0687, 2.0639, 2.0595, 2.0555, 2.0518, 2.0484, 2.0452, 2.0423)


def t975(df):
    if df <= 30:
        return T975[max(1, int(df)) - 1]
    z = 1.959964
    return z + (z ** 3 + z) / (4 * df) + (5 * z ** 5 + 16 * z ** 3 + 3 * z) / (96 * df * df)


def load(path):
    try:
        with open(path) as f:
            report = json.load(f)
    except (OSError, ValueError) as error:
        sys.exit(f"compare_results.py: cannot read {path}: {error}")
    if report.get("schema_version") not in SCHEMA_VERSIONS:
        versions = [str(v) for v in SCHEMA_VERSIONS]
        sys.exit("compare_results.py: %s is not a Velmark result of schema version %s or %s"
                 % (path, ", ".join(versions[:-1]), versions[-1]))
    return report


def headline(report):
    stats = report["statistics"]
    return stats.get("headline_kflops", stats["best_kflops"])


def headline_text(report):
    """The headline, marked where its clock was too coarse for it to compare."""
    coarse = report.get("clock", {}).get("coarse", False)
    return f"{headline(report)}{' (coarse)' if coarse else ''}"


def label(path, report):
    return f"{os.path.basename(path)} ({report['build']['kernels']})"


def build_text(report):
    """The compiler and the flags that decide its speed (GCC and Clang
    optimise nothing without an -O flag)."""
    build = report["build"]
    flags = [f for f in build["flags"].split() if f.startswith(("-O", "-march"))]
    if not any(f.startswith("-O") for f in flags):
        flags.insert(0, "-O0")
    return f"{build['compiler']} {' '.join(flags)}"


def table(paths, reports):
    first = headline(reports[0])
    rows = [("file", "cpu", "build", "kernels", "headline KFLOPS", "median KFLOPS", "median/best", "runs",
             "headline ÷ first")]
    for path, report in zip(paths, reports):
        stats = report["statistics"]
        spread = stats["median_to_best"]
        rows.append((os.path.basename(path), report["host"]["cpu"], build_text(report),
                     report["build"]["kernels"], headline_text(report), f"{stats['median_kflops']:.0f}",
                     "n/a" if spread is None else f"{100 * spread:.1f}%", f"{report['measurement']['runs']}",
                     f"{headline(report) / first:.2f}" if first > 0 else "n/a"))
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    return "\n".join("  ".join(cell.ljust(w) for cell, w in zip(row, widths)).rstrip() for row in rows)


def samples(report):
    """The processes' headlines, the samples of the mean; none before version 5."""
    return [p["headline_kflops"] for p in report.get("processes", [])]


def ratio_interval(a, b):
    """The ratio of b's mean to a's with its 95% interval, by the delta
    method on the two means' relative standard errors and Welch's degrees
    of freedom; None for the interval when either has fewer than two."""
    mean_a, mean_b = sum(a) / len(a), sum(b) / len(b)
    ratio = mean_b / mean_a
    if len(a) < 2 or len(b) < 2 or mean_a <= 0 or mean_b <= 0:
        return ratio, None

    def relative_variance(xs, mean):
        return sum((x - mean) ** 2 for x in xs) / (len(xs) - 1) / len(xs) / mean ** 2

    va, vb = relative_variance(a, mean_a), relative_variance(b, mean_b)
    if va + vb == 0:
        return ratio, (ratio, ratio)
    df = (va + vb) ** 2 / (va ** 2 / (len(a) - 1) + vb ** 2 / (len(b) - 1))
    half = t975(df) * (va + vb) ** 0.5
    return ratio, (ratio * (1 - half), ratio * (1 + half))


def differences(a, b):
    """What sets the two reports apart beyond the figure."""
    said = []
    if (a["host"]["cpu"], a["host"]["os"]) != (b["host"]["cpu"], b["host"]["os"]):
        said.append("different machines")
    if [a["build"].get(k) for k in ("platform", "compiler", "flags")] != \
            [b["build"].get(k) for k in ("platform", "compiler", "flags")]:
        said.append("different builds")
    if a["build"]["kernels"] != b["build"]["kernels"]:
        said.append(f"different kernels ({a['build']['kernels']} and {b['build']['kernels']})")
    return said


def verdict(path_a, a, path_b, b):
    """One file against the first: its ratio, interval, verdict and warnings."""
    name_a, name_b = os.path.basename(path_a), os.path.basename(path_b)
    warnings = differences(a, b)
    for name, report in ((name_a, a), (name_b, b)):
        n = len(samples(report))
        if n == 0:
            warnings.append(f"{name} is of schema {report['schema_version']}, which lacks the processes' figures "
                            "(version 5): no interval")
        elif n < LEAST_SAMPLES:
            warnings.append(f"{name} has too few processes for an interval ({n}; at least {LEAST_SAMPLES})")
        if report.get("comparable") is False:
            codes = ", ".join(w["code"] for w in report["warnings"])
            warnings.append(f"{name} is not comparable ({codes})")
    sa, sb = samples(a), samples(b)
    ratio, interval = ratio_interval(sa or [headline(a)], sb or [headline(b)])
    if interval is None or len(sa) < LEAST_SAMPLES or len(sb) < LEAST_SAMPLES:
        outcome = "no verdict"
        shown = f"{ratio:.3f}"
    else:
        low, high = interval
        if low > 1 and ratio > 1 + NOISE_THRESHOLD:
            outcome = "faster"
        elif high < 1 and ratio < 1 - NOISE_THRESHOLD:
            outcome = "slower"
        else:
            outcome = f"no change (within its interval or {100 * NOISE_THRESHOLD:.0f}%)"
        shown = f"{ratio:.3f} (95% interval {low:.3f} to {high:.3f})"
    lines = [f"{name_b} against {name_a}: {shown}, {outcome}"]
    lines += [f"  warning: {w}" for w in warnings]
    return "\n".join(lines)


def pyplot(option):
    """matplotlib's pyplot, drawing to files; or the exit that says it is missing."""
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot
    except ImportError:
        sys.exit(f"compare_results.py: {option} needs matplotlib (Debian package python3-matplotlib)")
    return matplotlib.pyplot


def save(figure, output):
    figure.tight_layout()
    try:
        figure.savefig(output, dpi=100)
    except OSError as error:
        sys.exit(f"compare_results.py: cannot write {output}: {error}")


def plot(paths, reports, output):
    plt = pyplot("--plot")
    from matplotlib.ticker import ScalarFormatter
    figure, axes = plt.subplots(figsize=(8, 1.6 + 1.1 * len(reports)))
    for row, report in enumerate(reports):
        mflops = [k / 1000.0 for k in report["runs_kflops"]]
        stats = report["statistics"]
        if len(mflops) > 1:
            parts = axes.violinplot([mflops], positions=[row], vert=False, showextrema=False, widths=0.8)
            for body in parts["bodies"]:
                body.set_alpha(0.35)
        axes.scatter(mflops, [row] * len(mflops), s=6, color="0.3", alpha=0.4, zorder=2)
        axes.scatter([stats["best_kflops"] / 1000.0], [row], marker="D", s=50, color="tab:red", zorder=3,
                     label="best" if row == 0 else None)
        axes.scatter([stats["median_kflops"] / 1000.0], [row], marker="|", s=300, color="black", zorder=3,
                     label="median" if row == 0 else None)
    axes.set_yticks(range(len(reports)))
    axes.set_yticklabels([f"{label(p, r)}\n{build_text(r)}" for p, r in zip(paths, reports)])
    axes.invert_yaxis()  # the first file on top, as in the table
    bests = [r["statistics"]["best_kflops"] for r in reports if r["statistics"]["best_kflops"] > 0]
    if bests and max(bests) > 4 * min(bests):
        axes.set_xscale("log")  # else the slower builds' distributions shrink to a line
        axes.xaxis.set_major_formatter(ScalarFormatter())
        axes.set_xlabel("MFlops of each run (log scale)")
    else:
        axes.set_xlabel("MFlops of each run")
        axes.set_xlim(left=0)
    axes.set_title(f"Velmark runs: {reports[0]['host']['cpu']}")
    axes.legend(loc="best")
    axes.grid(axis="x", alpha=0.3)
    save(figure, output)


def copies_text(path, report):
    """A report of copies at once: their count, sum and efficiency."""
    c = report["copies"]
    efficiency = "unknown" if c["efficiency"] is None else f"{100 * c['efficiency']:.1f}%"
    return (f"{os.path.basename(path)}: {c['count']} copies at once, sum {c['sum_kflops'] / 1000:.2f} MFlops, "
            f"mean copy {c['mean_kflops'] / 1000:.2f}, one alone {c['single_headline_kflops'] / 1000:.2f}: "
            f"scaling efficiency {efficiency}")


def trend(paths, reports, output):
    plt = pyplot("--trend")
    with_copies = [(p, r) for p, r in zip(paths, reports) if r.get("copies")]
    if not with_copies:
        sys.exit("compare_results.py: --trend draws reports of copies at once (velmark --copies), and none is one")
    figure, axes = plt.subplots(figsize=(8, 4.5))
    for path, report in with_copies:
        c = report["copies"]
        for processor, steps in zip(c["processors"], c["steps_kflops"]):
            axes.plot(range(1, len(steps) + 1), [k / 1000 for k in steps], marker="o",
                      label=f"{os.path.basename(path)}, processor {processor}")
    axes.set_xlabel("step of each copy's runs, in the order they ran")
    axes.set_ylabel("median run, MFlops")
    axes.set_ylim(bottom=0)
    axes.set_title("Velmark copies at once: each copy's rate over its runs")
    axes.grid(alpha=0.3)
    axes.legend(loc="lower left", fontsize=7)
    save(figure, output)


def main():
    parser = argparse.ArgumentParser(description="Compares Velmark result files side by side.")
    parser.add_argument("results", nargs="+", metavar="RESULT.json")
    parser.add_argument("--plot", metavar="FILE.png", help="also draw the runs of each file")
    parser.add_argument("--trend", metavar="FILE.png", help="also draw each copy's rate over its runs")
    args = parser.parse_args()
    reports = [load(path) for path in args.results]
    print(table(args.results, reports))
    for path, report in zip(args.results[1:], reports[1:]):
        print(verdict(args.results[0], reports[0], path, report))
    for path, report in zip(args.results, reports):
        if report.get("copies"):
            print(copies_text(path, report))
    if args.trend:
        trend(args.results, reports, args.trend)
    if args.plot:
        plot(args.results, reports, args.plot)


if __name__ == "__main__":
    main()
