#!/usr/bin/env node
// The gate of the results table: every entry in a folder (results/ by
// default) checked from its own numbers, with the page's own reader
// (web/result_check.js), and against the folder: each entry is NAME.json,
// the report exactly as the runner or the page wrote it, and beside it
// NAME.about.json, what a person would call the machine. An entry is
// refused, with its file and what to fix, when its report does not hold,
// when its build is no release or clean commit, when its description is
// missing, or when the same machine and build is entered twice (among the
// entries admitted: a refused entry claims nothing). One bad entry never
// stops the others.
//
// With --place RESULT.json it also says where that result's headline
// stands among the entries: its rank, the entries just above and below it,
// and its ratio to the fastest and to the median entry. Only a measurement
// that holds, validated and fine, is placed.
//
// usage: node tools/check_results.mjs [FOLDER] [--place RESULT.json]
import { readdirSync, readFileSync, realpathSync } from 'node:fs';
import { basename, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

import { MOST_BYTES } from '../web/bounded_json.js';
import { checkResult, olderSchemaLacks, parseReport } from '../web/result_check.js';
import { VERSION, aboutProblems } from '../web/entry_check.js';
import { standingOf } from '../web/standing.js';

function readJson(path) {
  let text;
  try {
    text = readFileSync(path);
  } catch (error) {
    return { error: `cannot be read (${error.code || error.message})` };
  }
  if (text.length > MOST_BYTES) return { error: `is ${text.length} bytes, more than a report can be` };
  const read = parseReport(text.toString('utf8'));
  return read.error ? read : { value: read.report };
}

// One machine and build: the same twice is one entry too many.
function buildKey(report, about) {
  const { build, host } = report;
  const same = (text) => text.trim().replace(/\s+/g, ' ').toLowerCase();
  return JSON.stringify([same(about.machine), build.platform, build.compiler, build.flags, build.kernels,
    host.browser || '', about.under || ''].map(same));
}

export function checkFolder(folder) {
  const refusals = [], entries = [], seen = new Map(), refused = new Set(), notes = [];
  let names;
  try {
    names = readdirSync(folder).filter((name) => name.endsWith('.json') && !name.endsWith('.about.json')).sort();
  } catch (error) {
    return { refusals: [`${folder}: cannot be read (${error.code || error.message})`], entries, refused: 1 };
  }
  for (const name of names) {
    const path = join(folder, name);
    const refuse = (why) => { refusals.push(`${path}: ${why}`); refused.add(name); };
    const read = readJson(path);
    if (read.error) {
      refuse(`${read.error}; an entry is the JSON report exactly as the runner or the page wrote it`);
      continue;
    }
    const report = read.value;
    let problems;
    try {
      problems = checkResult(report);
    } catch (error) {
      // A fault of the checker's own: this entry is refused, the others go on.
      problems = [{ kind: 'form', text: `could not be checked (${error.message})` }];
    }
    for (const problem of problems) refuse(`${problem.text} (${problem.kind === 'form' ? 'the report is malformed: not one the runner or the page writes' : problem.kind === 'numbers' ? 'its numbers do not follow from each other: enter the report as it was written' : problem.kind === 'invalid' ? 'a run that failed is no entry: measure again' : 'not an entry for the table: measure on a quiet machine, with a fine clock, for at least ten runs'})`);
    if (problems.length) continue;
    if (!VERSION.test(report.velmark_version)) {
      refuse(`version "${report.velmark_version}" is no release or clean commit: build from a commit with no changes and measure again`);
    }
    const aboutPath = join(folder, name.replace(/\.json$/, '.about.json'));
    const about = readJson(aboutPath);
    if (about.error) {
      refuse(`its description ${basename(aboutPath)} ${about.error}: write one beside it (results/README.md says what it holds)`);
      continue;
    }
    const missing = aboutProblems(about.value, report);
    for (const problem of missing) refuse(`${basename(aboutPath)}: ${problem}`);
    if (missing.length) continue;
    if (refused.has(name)) continue;
    const key = buildKey(report, about.value);
    if (seen.has(key)) {
      refuse(`the same machine and build as ${seen.get(key)}: one entry each; keep the one you trust`);
      continue;
    }
    seen.set(key, name);
    entries.push({ name, report, about: about.value });
    const lacks = olderSchemaLacks(report);
    if (lacks) notes.push(`${path}: ${lacks}`);
  }
  return { refusals, entries, refused: refused.size, notes };
}

function main() {
  const { values, positionals } = parseArgs({ options: { place: { type: 'string' } }, allowPositionals: true });
  const folder = positionals[0] || 'results';
  const { refusals, entries, refused, notes } = checkFolder(folder);
  for (const refusal of refusals) console.error(refusal);
  for (const note of notes) console.log(`note: ${note}`);
  console.log(`${entries.length} entries of ${folder} hold`);
  let status = refusals.length ? 1 : 0;
  if (values.place) {
    const read = readJson(values.place);
    // Fewer than ten runs may be placed; a coarse clock, a failed or a
    // forged measurement may not.
    const problems = read.error ? [{ text: read.error }]
      : checkResult(read.value).filter((p) => p.kind !== 'entry' || !/^\d+ runs:/.test(p.text));
    if (problems.length) {
      for (const problem of problems) console.error(`${values.place}: ${problem.text}`);
      console.error(`${values.place}: not a measurement to place`);
      return 1;
    }
    const table = entries.map(({ name, report, about }) => ({ entry: name, machine: about.machine,
      platform: report.host.browser || report.build.platform, kernels: report.build.kernels,
      headline_kflops: report.statistics.headline_kflops, interval_kflops: report.statistics.headline_interval_kflops ?? null,
      kind: report.copies ? 'all cores' : 'one core' }));
    const place = standingOf(read.value, table);
    const line = (e) => `${e.machine}, ${e.platform} ${e.kernels}: ${(e.headline_kflops / 1000).toFixed(2)} MFlops (${e.entry})`;
    console.log(`${values.place}: ${(read.value.statistics.headline_kflops / 1000).toFixed(2)} MFlops, rank ${place.rank} of ${place.of}`);
    if (place.above) console.log(`  just above it: ${line(place.above)}`);
    if (place.below) console.log(`  just below it: ${line(place.below)}`);
    if (place.of > 1) {
      console.log(`  ${place.toFastest.toFixed(2)} times the fastest entry, ${place.toMedian.toFixed(2)} times the median entry`);
    }
  }
  console.log(`${entries.length} passed, ${refused} failed`);
  return status;
}

// Run as a program, however it was reached (a link to the checkout
// included): the real paths are compared, never the URLs.
const invoked = process.argv[1] && (() => {
  try {
    return realpathSync(process.argv[1]) === realpathSync(fileURLToPath(import.meta.url));
  } catch {
    return false;
  }
})();
if (invoked) process.exitCode = main();
