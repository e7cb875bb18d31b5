#!/usr/bin/python3
"""The results table, made from the entries in results/ (which
tools/check_results.mjs holds to their own numbers first): docs/RESULTS.md,
sorted by headline, with a chart beside it (docs/results.png, drawn with
Debian's python3-matplotlib), and docs/results-table.json, the table's data,
which the chart is drawn from and the page ships to place a new result.

usage: results_table.py [--results FOLDER] [--docs FOLDER] [--check]
  --check: write nothing; exit 1 when the committed table or its data is
           not what the entries give (the chart is drawn from that data).
"""
import argparse
import json
import os
import sys

TABLE = "RESULTS.md"
DATA = "results-table.json"
CHART = "results.png"


def load_entries(folder):
    entries = []
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".json") or name.endswith(".about.json"):
            continue
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            report = json.load(f)
        with open(os.path.join(folder, name[:-len(".json")] + ".about.json"), encoding="utf-8") as f:
            about = json.load(f)
        host, build, stats = report["host"], report["build"], report["statistics"]
        platform = host.get("browser") or build["platform"]
        if about.get("under"):
            platform += f" under {about['under']}"
        kind = "browser" if host.get("browser") else f"under {about['under']}" if about.get("under") else "native"
        if report.get("copies"):
            # Every processor at once: its own kind, ranked among its own.
            kind = f"all cores, {kind}"
        entries.append({
            "entry": name,
            "machine": about["machine"],
            "processor": about.get("processor") or host["cpu"],
            "system": host["os"],
            "platform": platform,
            "kernels": build["kernels"],
            "kind": kind,
            "instruction_set": instruction_set(build["platform"]),
            "compiler": build["compiler"],
            "headline_kflops": stats["headline_kflops"],
            # Before schema 5 a report has no interval: it is its headline alone.
            "interval_kflops": stats.get("headline_interval_kflops"),
            "ops_per_cycle": report.get("machine", {}).get("ops_per_cycle"),
            "median_kflops": stats["median_kflops"],
            "spread": stats["coefficient_of_variation"],
            "date": about["measured_on"],
            "version": report["velmark_version"],
            "measured_by": about["measured_by"],
            "note": about.get("note", ""),
        })
    entries.sort(key=lambda e: (-e["headline_kflops"], e["entry"]))
    for e in entries:
        e["rank"] = shared_rank(e, entries)
    return entries


def bounds(entry):
    interval = entry["interval_kflops"]
    return tuple(interval) if interval else (entry["headline_kflops"], entry["headline_kflops"])


def shared_rank(entry, entries):
    """1 + the entries surely faster: whose interval lies wholly above this
    one's. Entries whose intervals overlap share a rank (web/standing.js
    places a new result by the same rule). Entries of copies at once rank
    only among themselves."""
    low, high = bounds(entry)
    all_cores = entry["kind"].startswith("all cores")
    return 1 + sum(1 for other in entries
                   if other["kind"].startswith("all cores") == all_cores and bounds(other)[0] > high)


# The instruction set a build's platform runs, by its processor's part of
# the name (linux-x86_64, windows-x86_64, web-wasm32, ...).
INSTRUCTION_SETS = {"x86_64": "x86-64", "aarch64": "AArch64", "armel": "ARM soft-float", "wasm32": "WebAssembly"}


def instruction_set(platform):
    for part, name in INSTRUCTION_SETS.items():
        if part in platform:
            return name
    return "other"


def cell(text):
    return str(text).replace("|", "\\|").replace("\n", " ")


def markdown(entries, results_link):
    machines = len({e["machine"] for e in entries})
    lines = [
        "# Velmark results",
        "",
        f"{len(entries)} entries from {machines} machine{'s' if machines != 1 else ''}. Every entry is a result",
        "file exactly as the runner or the page wrote it, on a release or a clean",
        "commit, validated and on a fine clock, with at least ten runs, checked",
        "from its own numbers by `tools/check_results.mjs` (docs/results-table.md",
        "says how). The headline is the mean of the processes' best blocks of ten",
        "runs with its 95% interval (before schema 5, the best block of ten runs,",
        "with none); entries whose intervals overlap share a rank. Operations a",
        "cycle are the headline over the core's clock as the runner measured it.",
        "The median is the median run; the spread is the runs' coefficient of",
        "variation. This page",
        "is made by `tools/results_table.py` from `results/`; results/README.md",
        "says how to add a machine. The page's results table (results.html) sorts,",
        "filters, searches and compares the same entries.",
        "",
        f"![headline MFlops of every entry]({CHART})",
        "",
        "| # | machine | processor | system | platform or browser | kernels | compiler | headline MFlops "
        "| 95% interval | ops/cycle | median MFlops | spread | date | version | entry |",
        "|---:|---|---|---|---|---|---|---:|---:|---:|---:|---:|---|---|---|",
    ]
    for e in entries:
        spread = "n/a" if e["spread"] is None else f"{100 * e['spread']:.2f}%"
        interval = e["interval_kflops"]
        interval = "n/a" if interval is None else f"{interval[0] / 1000:.2f} to {interval[1] / 1000:.2f}"
        ops = "n/a" if e["ops_per_cycle"] is None else f"{e['ops_per_cycle']:.2f}"
        lines.append("| " + " | ".join(cell(c) for c in (
            e["rank"], e["machine"], e["processor"], e["system"], e["platform"], e["kernels"], e["compiler"],
            f"{e['headline_kflops'] / 1000:.2f}", interval, ops, f"{e['median_kflops'] / 1000:.2f}", spread, e["date"],
            e["version"], f"[{e['entry']}]({results_link}/{e['entry']})")) + " |")
    notes = [e for e in entries if e["note"]]
    if notes:
        lines += ["", "Notes:", ""]
        lines += [f"- {cell(e['entry'])}: {cell(e['note'])}" for e in notes]
    return "\n".join(lines) + "\n"


def data(entries):
    return json.dumps({"entries": entries}, indent=1, ensure_ascii=False, sort_keys=True) + "\n"


def draw(entries, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    figure, axes = plt.subplots(figsize=(10, 1.6 + 0.5 * len(entries)))
    rows = range(len(entries))
    axes.barh(rows, [e["headline_kflops"] / 1000 for e in entries], color="tab:blue", alpha=0.8, label="headline")
    with_interval = [(row, e) for row, e in zip(rows, entries) if e["interval_kflops"]]
    if with_interval:
        axes.errorbar([e["headline_kflops"] / 1000 for _, e in with_interval], [row for row, _ in with_interval],
                      xerr=[[(e["headline_kflops"] - e["interval_kflops"][0]) / 1000 for _, e in with_interval],
                            [(e["interval_kflops"][1] - e["headline_kflops"]) / 1000 for _, e in with_interval]],
                      fmt="none", ecolor="tab:red", capsize=3, label="95% interval")
    axes.scatter([e["median_kflops"] / 1000 for e in entries], rows, marker="|", s=200, color="black", zorder=3,
                 label="median run")
    axes.set_yticks(list(rows))
    axes.set_yticklabels([f"{e['platform']} {e['kernels']}\n{e['machine'].split(':')[0]}" for e in entries], fontsize=7)
    axes.invert_yaxis()
    axes.set_xlabel("MFlops")
    axes.set_title("Velmark results")
    axes.grid(axis="x", alpha=0.3)
    axes.legend(loc="upper center", bbox_to_anchor=(0.5, -0.6 / len(entries) - 0.04), ncol=2, frameon=False)
    figure.tight_layout()
    figure.savefig(path, dpi=100, metadata={"Software": None})


def main():
    parser = argparse.ArgumentParser(description="Makes the results table from results/.")
    root = os.path.dirname(os.path.dirname(__file__))
    parser.add_argument("--results", default=os.path.join(root, "results"))
    parser.add_argument("--docs", default=os.path.join(root, "docs"))
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    try:
        entries = load_entries(args.results)
    except (OSError, ValueError, KeyError, TypeError) as error:
        sys.exit(f"results_table.py: cannot read the entries of {args.results} ({error!r}): "
                 "run tools/check_results.mjs on it first")
    link = os.path.relpath(args.results, args.docs)
    made = {TABLE: markdown(entries, link), DATA: data(entries)}
    if args.check:
        stale = []
        for name, text in made.items():
            try:
                with open(os.path.join(args.docs, name), encoding="utf-8") as f:
                    if f.read() != text:
                        stale.append(name)
            except OSError:
                stale.append(name)
        for name in stale:
            print(f"results_table.py: {os.path.join(args.docs, name)} is not what {args.results} gives: "
                  "run tools/results_table.py and commit what it writes", file=sys.stderr)
        print(f"{len(made) - len(stale)} passed, {len(stale)} failed")
        return 1 if stale else 0
    for name, text in made.items():
        with open(os.path.join(args.docs, name), "w", encoding="utf-8") as f:
            f.write(text)
    try:
        draw(entries, os.path.join(args.docs, CHART))
    except ImportError:
        sys.exit("results_table.py: the chart needs matplotlib (Debian package python3-matplotlib)")
    print(f"{len(entries)} entries: {os.path.join(args.docs, TABLE)}, {DATA} and {CHART}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
