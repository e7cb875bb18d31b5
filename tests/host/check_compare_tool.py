#!/usr/bin/python3
"""The comparison tool on two small result files: one row each, the ratio
of the bests to the first file's, and a chart when asked.
usage: check_compare_tool.py TOOL"""
import json
import os
import subprocess
import sys
import tempfile

tool = sys.argv[1]


def result(cpu, kernels, runs):
    runs_sorted = sorted(runs)
    return {"schema_version": 1, "velmark_version": "1.0", "timestamp_utc": "2026-12-09T00:00:00Z",
            "host": {"os": "Linux", "cpu": cpu, "logical_cpus": 2},
            "build": {"compiler": "GCC 12.2.0", "flags": "-O3 -ffp-contract=off", "kernels": kernels},
            "measurement": {"runs": len(runs), "seconds": 1.0, "budget_seconds": 1.0},
            "runs_kflops": runs,
            "statistics": {"best_kflops": max(runs), "median_kflops": runs_sorted[len(runs) // 2],
                           "min_kflops": min(runs), "median_to_best": runs_sorted[len(runs) // 2] / max(runs)},
            "result_line": "", "timing_table": [], "validation": {"validated": True}}


with tempfile.TemporaryDirectory() as folder:
    a, b, chart = (os.path.join(folder, name) for name in ("slow.json", "fast.json", "chart.png"))
    json.dump(result("CPU One", "portable", [900, 1000, 800]), open(a, "w"))
    current = result("CPU Two", "avx2", [2100, 1500, 1800, 1900, 1700])
    current["schema_version"] = 4  # the runner's current version, beside an older file
    current["clock"] = {"coarse": True}
    current["statistics"]["headline_kflops"] = 2000  # compared, not the best run's 2100
    json.dump(current, open(b, "w"))
    out = subprocess.run([tool, a, b, "--plot", chart], capture_output=True, text=True, timeout=120)
    print(out.stdout + out.stderr)
    lines = out.stdout.splitlines()
    ok = (out.returncode == 0 and len(lines) >= 3 and
          lines[1].split()[:3] == ["slow.json", "CPU", "One"] and lines[1].split()[-1] == "1.00" and
          "90.0%" in lines[1] and lines[2].split()[-1] == "2.00" and "avx2" in lines[2] and
          "1800" in lines[2] and "85.7%" in lines[2] and "2000 (coarse)" in lines[2] and "(coarse)" not in lines[1])
    with open(chart, "rb") as png:
        ok = ok and png.read(8) == b"\x89PNG\r\n\x1a\n"
    bad = subprocess.run([tool, a, os.path.join(folder, "missing.json")], capture_output=True, text=True,
                         timeout=120)
    ok = ok and bad.returncode != 0 and "cannot read" in bad.stderr
    other = os.path.join(folder, "other.json")
    newer = result("CPU Three", "portable", [5])
    newer["schema_version"] = 6
    json.dump(newer, open(other, "w"))
    refused = subprocess.run([tool, a, other], capture_output=True, text=True, timeout=120)
    print(refused.stderr)
    ok = ok and refused.returncode != 0 and "is not a Velmark result of schema version 1, 2, 3, 4 or 5" in refused.stderr

    # Schema 5: the processes' headlines give the ratio its interval and a verdict.
    def processes(headlines, kernels="avx2", comparable=True):
        report = result("CPU Two", kernels, headlines)
        report.update(schema_version=5, processes=[{"headline_kflops": h} for h in headlines],
                      comparable=comparable, warnings=[] if comparable else [{"code": "steal"}])
        report["statistics"]["headline_kflops"] = round(sum(headlines) / len(headlines))
        return report
    files = {"base": processes([1000, 1010, 990, 1005]), "rerun": processes([1004, 995, 1000, 1010]),
             "sse2": processes([800, 805, 795, 810], "sse2"), "two": processes([1000, 1200]),
             "stolen": processes([1030, 1040, 1020, 1035], comparable=False)}
    for name, report in files.items():
        json.dump(report, open(os.path.join(folder, name + ".json"), "w"))
    compared = subprocess.run([tool] + [os.path.join(folder, name + ".json") for name in files],
                              capture_output=True, text=True, timeout=120)
    print(compared.stdout)
    said = compared.stdout
    expected = ["rerun.json against base.json: 1.001 (95% interval 0.987 to 1.015), no change",
                "sse2.json against base.json: 0.801 (95% interval 0.789 to 0.814), slower\n",
                "warning: different kernels (avx2 and sse2)",
                "two.json against base.json: 1.099, no verdict\n"
                "  warning: two.json has too few processes for an interval (2",
                "stolen.json against base.json: 1.030 (95% interval",
                "faster\n  warning: stolen.json is not comparable (steal)"]
    ok = ok and compared.returncode == 0 and all(text in said for text in expected)

    # Copies at once: their figures, and each copy's steps drawn.
    together = processes([900, 800])
    together["copies"] = {"count": 2, "processors": [0, 3], "sum_kflops": 1700, "mean_kflops": 850,
                          "single_headline_kflops": 1000, "efficiency": 0.85, "steps_kflops": [[900, 850], [800, 700]]}
    json.dump(together, open(os.path.join(folder, "together.json"), "w"))
    drawn = subprocess.run([tool, os.path.join(folder, "base.json"), os.path.join(folder, "together.json"),
                            "--trend", os.path.join(folder, "trend.png")], capture_output=True, text=True, timeout=120)
    print(drawn.stdout + drawn.stderr)
    with open(os.path.join(folder, "trend.png"), "rb") as png:
        ok = ok and drawn.returncode == 0 and png.read(8) == b"\x89PNG\r\n\x1a\n" and \
            "together.json: 2 copies at once, sum 1.70 MFlops, mean copy 0.85, one alone 1.00: scaling efficiency 85.0%" \
            in drawn.stdout
    nothing = subprocess.run([tool, os.path.join(folder, "base.json"), "--trend", chart], capture_output=True, text=True,
                             timeout=120)
    ok = ok and nothing.returncode != 0 and "none is one" in nothing.stderr
print("1 passed, 0 failed" if ok else "0 passed, 1 failed")
sys.exit(0 if ok else 1)
