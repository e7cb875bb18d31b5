// The two readers of results from strangers, fuzzed for a bounded time:
// the share link's (readFragment) and the checker's (checkResult), on
// random fragments and on mutations of a real report: deleted and retyped
// fields, NaN and infinities where JSON allows them as strings, huge,
// negative and fractional numbers, markup in texts, prototype keys. Neither
// may throw; a mutated figure must never pass as the report it came from;
// and the readers must not let a key reach an object's prototype.
//
// usage: node fuzz_readers.mjs REPORT.json [SECONDS]
import { readFileSync } from 'node:fs';

import { readFragment, resultView, shareFragment } from '../../web/report.js';
import { checkResult } from '../../web/result_check.js';

const [reportFile, secondsText = '10'] = process.argv.slice(2);
const original = JSON.parse(readFileSync(reportFile, 'utf8'));
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

let seed = 20261210;
const random = () => ((seed = (Math.imul(seed, 1103515245) + 12345) >>> 0) / 2 ** 32);
const pick = (list) => list[Math.floor(random() * list.length)];

// Every path to a value in the report.
function paths(value, prefix = []) {
  if (value === null || typeof value !== 'object') return [prefix];
  return [prefix, ...Object.keys(value).flatMap((key) => paths(value[key], [...prefix, key]))];
}
const REPLACEMENTS = [null, true, false, 0, -1, -0.5, 1e308, -1e308, 2 ** 53, 2147483648, 'NaN', 'Infinity', '',
  '<img src=x onerror="globalThis.pwned=1">', [], {}, [1, 2], { __proto__: { polluted: true } }, '0x49fc1a1a7a570778'];

function mutate(report) {
  const copy = JSON.parse(JSON.stringify(report));
  const all = paths(copy).filter((path) => path.length > 0);
  for (let n = 1 + Math.floor(random() * 3); n > 0; --n) {
    const path = pick(all);
    let parent = copy;
    for (const key of path.slice(0, -1)) parent = parent && typeof parent === 'object' ? parent[key] : undefined;
    if (!parent || typeof parent !== 'object') continue;
    const key = path.at(-1), how = random();
    if (how < 0.2) delete parent[key];
    else if (how < 0.5 && typeof parent[key] === 'number') parent[key] = parent[key] * pick([1.0000001, 2, -1, 0]) + pick([0, 1, 0.5]);
    else parent[key] = pick(REPLACEMENTS);
  }
  return copy;
}

const deadline = Date.now() + 1000 * Number(secondsText);
let tries = 0, throws = 0, passedForged = 0, polluted = 0, firstThrow = '';
check(checkResult(original).length === 0, 'the real report holds');
while (Date.now() < deadline) {
  ++tries;
  let fragment;
  const how = random();
  if (how < 0.2) {
    fragment = '#result=' + Array.from({ length: Math.floor(random() * 200) }, () =>
      pick('ABCxyz019-_+/=%<>"\'\u00ff\u2028'.split(''))).join('');
  } else {
    const mutated = mutate(original);
    fragment = shareFragment(mutated);
    if (how < 0.3) fragment = fragment.slice(0, Math.floor(random() * fragment.length));
    if (how >= 0.3 && how < 0.4) fragment = fragment.replace(/[A-Z]/, 'a');
  }
  try {
    const read = readFragment(fragment);
    if (read && read.report !== undefined) {
      const problems = checkResult(read.report);
      if (!Array.isArray(problems)) throw new Error('no list of problems');
      // What the page lists of a report it admits must never fail to be made.
      if (problems.every((p) => p.kind === 'entry')) resultView(read.report);
      const same = JSON.stringify(read.report) === JSON.stringify(original);
      if (problems.length === 0 && !same && JSON.stringify(read.report.statistics) !== JSON.stringify(original.statistics)) {
        ++passedForged;
      }
    }
  } catch (error) {
    if (!throws++) firstThrow = `${error.stack}\n${fragment.slice(0, 300)}`;
  }
  if ({}.polluted !== undefined || globalThis.pwned !== undefined) ++polluted;
}
check(throws === 0, `neither reader throws on ${tries} fragments${throws ? `: ${throws}, the first ${firstThrow}` : ''}`);
check(passedForged === 0, `no report with changed statistics passes (${passedForged} did)`);
check(polluted === 0, 'no key reached an object prototype, and nothing was run');
check(readFragment('#result=eyJzY2hlbWFfdmVyc2lvbiI6Mn0').report.schema_version === 2 &&
      checkResult({ schema_version: 2 })[0].text.startsWith('schema_version is 2, not schema 3 to 4'),
'a link carrying only {"schema_version":2} is read and refused for its schema, not a crash');
check(readFragment('#result=%%%').error.includes('not base64url') && readFragment('#result=bm90IGpzb24').error.includes('JSON'),
      'a link that is not base64, or not JSON, says so');
const deep = '#result=' + Buffer.from('['.repeat(5000) + ']'.repeat(5000)).toString('base64url');
check(/nests 5000 deep/.test(readFragment(deep).error) && checkResult(JSON.parse('['.repeat(100000) + ']'.repeat(100000)))[0].kind === 'form',
      'a link or a report of deep brackets is refused without a throw');
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
