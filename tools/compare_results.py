#!/usr/bin/python3
"""Compares Velmark result files (velmark --output FILE, or --json) side by
side: CPU, build, best, median, spread and the ratio of each best to the
first file's. With --plot FILE.png it also draws each file's runs as a
distribution with its best and median marked (needs Debian's
python3-matplotlib, which is why this runs Debian's own Python).

usage: compare_results.py A.json B.json ... [--plot FILE.png]
"""
import argparse
import json
import os
import sys

# Version 2 added the warm-up run and the coefficient of variation; version
# 3 leads with a headline of its own (the best block of ten runs) and checks
# the clock. Before 3 the headline was the best run. Version 4 stores the
# measurement's problems as codes with their numbers, which this tool does
# not read.
SCHEMA_VERSIONS = (1, 2, 3, 4)


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


def plot(paths, reports, output):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        import matplotlib.ticker
    except ImportError:
        sys.exit("compare_results.py: --plot needs matplotlib (Debian package python3-matplotlib)")
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
        axes.xaxis.set_major_formatter(matplotlib.ticker.ScalarFormatter())
        axes.set_xlabel("MFlops of each run (log scale)")
    else:
        axes.set_xlabel("MFlops of each run")
        axes.set_xlim(left=0)
    axes.set_title(f"Velmark runs: {reports[0]['host']['cpu']}")
    axes.legend(loc="best")
    axes.grid(axis="x", alpha=0.3)
    figure.tight_layout()
    try:
        figure.savefig(output, dpi=100)
    except OSError as error:
        sys.exit(f"compare_results.py: cannot write {output}: {error}")


def main():
    parser = argparse.ArgumentParser(description="Compares Velmark result files side by side.")
    parser.add_argument("results", nargs="+", metavar="RESULT.json")
    parser.add_argument("--plot", metavar="FILE.png", help="also draw the runs of each file")
    args = parser.parse_args()
    reports = [load(path) for path in args.results]
    print(table(args.results, reports))
    if args.plot:
        plot(args.results, reports, args.plot)


if __name__ == "__main__":
    main()
