// Where a headline stands among the entries of the results table: its rank
// (1 + the entries surely faster: whose 95% interval lies wholly above its
// own, so that entries whose intervals overlap share a rank, as
// tools/results_table.py ranks the table; of the entries and itself), the entry
// just above it and the one just below, and its ratio to the fastest and
// to the median entry. The page shows it after a run and for a shared
// result; tools/check_results.mjs --place prints it.
//
// entries: [{ headline_kflops, interval_kflops, ... }] in any order; an
// interval of null is the headline alone (reports before schema 5).
const bounds = (kflops, interval) => interval || [kflops, kflops];

export function standing(kflops, entries, interval = null) {
  const sorted = [...entries].sort((a, b) => b.headline_kflops - a.headline_kflops);
  const faster = sorted.filter((entry) => entry.headline_kflops > kflops).length;
  const high = bounds(kflops, interval)[1];
  const surelyFaster = entries.filter((e) => bounds(e.headline_kflops, e.interval_kflops ?? null)[0] > high).length;
  const values = sorted.map((entry) => entry.headline_kflops).reverse();
  const middle = values.length === 0 ? NaN : values.length % 2 ? values[(values.length - 1) / 2]
    : (values[values.length / 2 - 1] + values[values.length / 2]) / 2;
  return {
    rank: surelyFaster + 1, of: sorted.length + 1,
    above: faster > 0 ? sorted[faster - 1] : null, below: sorted[faster] || null,
    toFastest: sorted.length ? kflops / sorted[0].headline_kflops : NaN, toMedian: kflops / middle,
  };
}

// Whether a report may be placed among the entries: a measurement whose
// computation and time held, on a clock fine enough to compare, and, from
// schema 5, on a machine that let it compare.
export function placeable(report) {
  const v = report.validation;
  return v.validated && v.measurement_validated && !report.clock.coarse && report.comparable !== false;
}

// Where a report stands: by its headline, the figure it leads with, among
// the entries of its own kind: copies at once among copies at once
// (tools/results_table.py ranks the table so).
export const allCores = (kind) => typeof kind === 'string' && kind.startsWith('all cores');

export function standingOf(report, entries) {
  const own = entries.filter((e) => allCores(e.kind) === Boolean(report.copies));
  return standing(report.statistics.headline_kflops, own, report.statistics.headline_interval_kflops ?? null);
}
