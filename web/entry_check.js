// What makes a report an entry of the results table beyond holding (the
// results' checker, result_check.js, says that): a build anyone can make
// again, and a description of the machine beside it. The table's gate
// (tools/check_results.mjs) and the page's form for adding a result both
// apply it; entryFiles names the two files as results/ names them.
import { checkResult } from './result_check.js';

// A release ("1.0") or a clean commit ("1.0 (git 1a2b3c4)"); a build from
// a changed tree says "-dirty" and is no build anyone else can make.
export const VERSION = /^\d+\.\d+(\.\d+)? \(git [0-9a-f]{7,40}\)$|^\d+\.\d+(\.\d+)?$/;
const DATE = /^\d{4}-\d{2}-\d{2}$/;

const text = (value) => typeof value === 'string' && value.trim().length > 0 && value.length <= 300;

// What the description must say, and what it may.
export function aboutProblems(about, report) {
  const problems = [];
  if (about === null || typeof about !== 'object' || Array.isArray(about)) return ['it is not a JSON object'];
  if (!text(about.machine)) problems.push('"machine" must name the machine as a person would: its model, not only its processor');
  if (!text(about.measured_by)) problems.push('"measured_by" must say who measured it');
  if (!(typeof about.measured_on === 'string' && DATE.test(about.measured_on))) {
    problems.push('"measured_on" must be the day it was measured, YYYY-MM-DD');
  }
  const browser = report && report.host && typeof report.host.browser === 'string';
  if (browser && !text(about.processor)) {
    problems.push('"processor" must name the processor, which a browser does not tell');
  }
  for (const optional of ['note', 'processor', 'under']) {
    if (optional in about && !text(about[optional])) problems.push(`"${optional}" must be a short text where it is given`);
  }
  if ('under' in about && about.under !== 'wine') {
    problems.push('"under" can only be "wine": an emulator measures itself, not a machine, and is not entered');
  }
  return problems;
}

// Every reason the report and its description are no entry: the report's
// own (a coarse clock and too few runs included), its version's, and the
// description's.
export function entryProblems(report, about) {
  const problems = checkResult(report).map((p) => p.text);
  if (problems.length) return problems;
  if (!VERSION.test(report.velmark_version)) {
    problems.push(`version "${report.velmark_version}" is no release or clean commit: measure with a build of one`);
  }
  return [...problems, ...aboutProblems(about, report)];
}

// The entry's two files, NAME.json and NAME.about.json, NAME from the
// machine, the browser or platform, and the kernels, as results/ names them.
export function entryFiles(report, about) {
  const slug = (text) => text.toLowerCase().replace(/\([^)]*\)/g, '').replace(/[^a-z0-9]+/g, '-').replace(/^-|-$/g, '');
  const where = report.host.browser ? report.host.browser.split(' ')[0] : report.build.platform;
  const name = [slug(about.machine).slice(0, 40), slug(where), slug(report.build.kernels)].filter(Boolean).join('-');
  return { report: `${name}.json`, about: `${name}.about.json` };
}
