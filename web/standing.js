// Where a headline stands among the entries of the results table: its rank
// (1 + the entries faster than it, of the entries and itself), the entry
// just above it and the one just below, and its ratio to the fastest and
// to the median entry. The page shows it after a run and for a shared
// result; tools/check_results.mjs --place prints it.
//
// entries: [{ headline_kflops, ... }] in any order.
export function standing(kflops, entries) {
  const sorted = [...entries].sort((a, b) => b.headline_kflops - a.headline_kflops);
  const faster = sorted.filter((entry) => entry.headline_kflops > kflops).length;
  const values = sorted.map((entry) => entry.headline_kflops).reverse();
  const middle = values.length === 0 ? NaN : values.length % 2 ? values[(values.length - 1) / 2]
    : (values[values.length / 2 - 1] + values[values.length / 2]) / 2;
  return {
    rank: faster + 1, of: sorted.length + 1,
    above: faster > 0 ? sorted[faster - 1] : null, below: sorted[faster] || null,
    toFastest: sorted.length ? kflops / sorted[0].headline_kflops : NaN, toMedian: kflops / middle,
  };
}

// Whether a report may be placed among the entries: a measurement whose
// computation and time held, on a clock fine enough to compare.
export function placeable(report) {
  const v = report.validation;
  return v.validated && v.measurement_validated && !report.clock.coarse;
}

// Where a report stands: by its headline, the figure it leads with.
export function standingOf(report, entries) {
  return standing(report.statistics.headline_kflops, entries);
}
