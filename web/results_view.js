// The results table as the results page shows it, without the page: the
// entries of results-table.json (tools/results_table.py makes it from
// results/) filtered, searched, sorted, two of them compared, exported as
// CSV or JSON, and a result of the reader's own placed among them. Only
// text comes out of here; the page sets it as text, never as markup.

// The columns, in order: the field, its heading, and how a cell shows it.
const mflops = (kflops) => (kflops / 1000).toFixed(2);
export const COLUMNS = [
  { field: 'rank', heading: '#', numeric: true },
  { field: 'machine', heading: 'machine' },
  { field: 'processor', heading: 'processor' },
  { field: 'system', heading: 'system' },
  { field: 'platform', heading: 'platform or browser' },
  { field: 'kernels', heading: 'kernels' },
  { field: 'compiler', heading: 'compiler' },
  { field: 'headline_kflops', heading: 'headline MFlops', show: mflops, numeric: true },
  { field: 'interval_kflops', heading: '95% interval',
    show: (v) => (v === null ? 'n/a' : `${mflops(v[0])} to ${mflops(v[1])}`) },
  { field: 'ops_per_cycle', heading: 'ops/cycle', show: (v) => (v === null ? 'n/a' : v.toFixed(2)), numeric: true },
  { field: 'median_kflops', heading: 'median MFlops', show: mflops, numeric: true },
  { field: 'spread', heading: 'spread', show: (v) => (v === null ? 'n/a' : `${(100 * v).toFixed(2)}%`), numeric: true },
  { field: 'date', heading: 'date' },
  { field: 'version', heading: 'version' },
];

export const cellText = (column, entry) => {
  const value = entry[column.field];
  if (value === undefined || value === null) return column.show && value === null ? column.show(null) : '';
  return column.show ? column.show(value) : String(value);
};

// The kinds and instruction sets the entries have, for the filters.
export function choices(entries, field) {
  return [...new Set(entries.map((e) => e[field]).filter((v) => typeof v === 'string'))].sort();
}

// The entries of a kind and an instruction set ('' for any) whose machine,
// processor, platform or browser holds the search text (case ignored).
export function filterEntries(entries, { kind = '', instructionSet = '', search = '' } = {}) {
  const words = search.trim().toLowerCase();
  return entries.filter((e) => (!kind || e.kind === kind) && (!instructionSet || e.instruction_set === instructionSet) &&
    (!words || [e.machine, e.processor, e.platform, e.system].some((t) => typeof t === 'string' && t.toLowerCase().includes(words))));
}

// Sorted by one column, ascending or not; equal ones keep their order.
export function sortEntries(entries, field, ascending = true) {
  const column = COLUMNS.find((c) => c.field === field) || COLUMNS.find((c) => c.field === 'headline_kflops');
  const key = (e) => e[column.field];
  const order = (a, b) => {
    const x = key(a), y = key(b);
    if (x === y) return 0;
    if (x === null || x === undefined) return 1;
    if (y === null || y === undefined) return -1;
    return (column.numeric ? x - y : String(x).localeCompare(String(y))) * (ascending ? 1 : -1);
  };
  return entries.map((e, i) => [e, i]).sort(([a, i], [b, j]) => order(a, b) || i - j).map(([e]) => e);
}

// Two entries side by side: each column's text, and the first's headline
// over the second's.
export function compareEntries(first, second) {
  return {
    rows: COLUMNS.map((c) => [c.heading, cellText(c, first), cellText(c, second)]),
    ratio: first.headline_kflops / second.headline_kflops,
  };
}

// The rows as CSV (RFC 4180: a field with a comma, a quote or a line break
// quoted, its quotes doubled), the raw numbers rather than their display.
export function toCsv(entries) {
  const fields = ['entry', ...COLUMNS.map((c) => c.field), 'kind', 'instruction_set'];
  const quote = (value) => {
    const text = value === null || value === undefined ? '' : String(value);
    return /[",\r\n]/.test(text) ? `"${text.replace(/"/g, '""')}"` : text;
  };
  return [fields.join(','), ...entries.map((e) => fields.map((f) => quote(e[f])).join(','))].join('\r\n') + '\r\n';
}

export function toJson(entries) {
  return JSON.stringify({ entries }, null, 1) + '\n';
}

// The instruction set of a build's platform, named as the table's data
// names it (tools/results_table.py).
const INSTRUCTION_SETS = { x86_64: 'x86-64', aarch64: 'AArch64', armel: 'ARM soft-float', wasm32: 'WebAssembly' };
const instructionSet = (platform) =>
  Object.entries(INSTRUCTION_SETS).find(([part]) => platform.includes(part))?.[1] || 'other';

// A report of the reader's own as a row of the table, marked as theirs.
export function ownEntry(report) {
  const host = report.host, build = report.build, s = report.statistics;
  return {
    entry: 'this result', own: true, machine: 'this result', processor: host.cpu, system: host.os,
    platform: host.browser || build.platform, kernels: build.kernels, compiler: build.compiler,
    headline_kflops: s.headline_kflops, median_kflops: s.median_kflops, spread: s.coefficient_of_variation,
    interval_kflops: s.headline_interval_kflops ?? null, ops_per_cycle: report.machine?.ops_per_cycle ?? null,
    date: report.timestamp_utc.slice(0, 10), version: report.velmark_version,
    kind: host.browser ? 'browser' : 'native', instruction_set: instructionSet(build.platform),
  };
}
