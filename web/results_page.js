// The results page: the table's entries (results-table.json), sorted by
// any column, filtered by kind and instruction set, searched, any two
// compared side by side, exported as CSV or JSON; a result carried in the
// address (#result=..., as the measuring page links it) placed among them
// once the results' checker admits it. Every text is set as text.
import { readFragment } from './report.js';
import { checkResult } from './result_check.js';
import {
  COLUMNS, cellText, choices, compareEntries, filterEntries, ownEntry, sortEntries, toCsv, toJson,
} from './results_view.js';
import { placeable, standingOf } from './standing.js';

const $ = (id) => document.getElementById(id);
const state = { entries: [], own: null, field: 'headline_kflops', ascending: false, picked: [] };

function element(tag, text, className) {
  const made = document.createElement(tag);
  if (text !== undefined) made.textContent = text;
  if (className) made.className = className;
  return made;
}

function shown() {
  const rows = filterEntries(state.own ? [...state.entries, state.own] : state.entries,
    { kind: $('kind').value, instructionSet: $('instruction-set').value, search: $('search').value });
  return sortEntries(rows, state.field, state.ascending);
}

function render() {
  const header = element('tr');
  header.append(element('th', 'compare'));
  for (const column of COLUMNS) {
    const th = element('th');
    const button = element('button', column.heading + (state.field === column.field ? (state.ascending ? ' ▲' : ' ▼') : ''));
    button.type = 'button';
    button.dataset.field = column.field;
    button.addEventListener('click', () => {
      state.ascending = state.field === column.field ? !state.ascending : !column.numeric;
      state.field = column.field;
      render();
    });
    th.append(button);
    header.append(th);
  }
  const rows = shown().map((entry) => {
    const row = element('tr', undefined, entry.own ? 'own' : undefined);
    row.dataset.entry = entry.entry;
    const pick = element('input');
    pick.type = 'checkbox';
    pick.checked = state.picked.includes(entry);
    pick.setAttribute('aria-label', `compare ${entry.entry}`);
    pick.addEventListener('change', () => {
      state.picked = pick.checked ? [...state.picked.filter((e) => e !== entry), entry].slice(-2)
        : state.picked.filter((e) => e !== entry);
      render();
    });
    const cell = element('td');
    cell.append(pick);
    row.append(cell, ...COLUMNS.map((column) => element('td', cellText(column, entry), column.numeric ? 'number' : undefined)));
    return row;
  });
  $('entries').replaceChildren(header, ...rows);
  renderComparison();
}

function renderComparison() {
  const [first, second] = state.picked;
  $('comparison').hidden = !second;
  if (!second) return;
  const { rows, ratio } = compareEntries(first, second);
  $('ratio').textContent = `${first.entry}: ${ratio.toFixed(2)} times the headline of ${second.entry}`;
  const head = element('tr');
  head.append(element('th', ''), element('th', first.entry), element('th', second.entry));
  $('compared').replaceChildren(head, ...rows.map((cells) => {
    const row = element('tr');
    row.append(element('th', cells[0]), element('td', cells[1]), element('td', cells[2]));
    return row;
  }));
}

function save(text, type, name) {
  const link = element('a');
  link.href = URL.createObjectURL(new Blob([text], { type }));
  link.download = name;
  link.click();
  URL.revokeObjectURL(link.href);
}

function fillChoices(select, values) {
  select.append(...values.map((value) => {
    const option = element('option', value);
    option.value = value;
    return option;
  }));
}

// A result carried in the address, placed when it holds and is fine.
function placeOwn() {
  const shared = readFragment(location.hash);
  if (!shared) return;
  const problems = shared.error ? [shared.error]
    : checkResult(shared.report).filter((p) => p.kind !== 'entry').map((p) => p.text);
  $('own').hidden = false;
  if (problems.length) {
    $('own').textContent = `The result in this link is not placed: ${problems[0]}.`;
  } else if (!placeable(shared.report)) {
    $('own').textContent = 'The result in this link is not placed: ' + (shared.report.clock.coarse
      ? 'its clock was coarse, so it does not compare.' : 'the machine was busy or changed as it measured, so it does not compare.');
  } else {
    state.own = { ...ownEntry(shared.report), rank: standingOf(shared.report, state.entries).rank };
    $('own').textContent = `This result, ${(state.own.headline_kflops / 1000).toFixed(2)} MFlops, is the marked row.`;
  }
}

async function start() {
  let table = null;
  try {
    const response = await fetch('results-table.json');
    if (response.ok) table = await response.json();
  } catch {
    // said below
  }
  if (!table || !Array.isArray(table.entries)) {
    $('summary').textContent = 'The results table could not be read.';
    return;
  }
  state.entries = table.entries.filter((e) => e && typeof e === 'object' && Number.isFinite(e.headline_kflops));
  const machines = new Set(state.entries.map((e) => e.machine)).size;
  $('summary').textContent = `${state.entries.length} entries from ${machines} machine${machines === 1 ? '' : 's'}, ` +
    'each checked from its own numbers. Pick two to compare them.';
  fillChoices($('kind'), choices(state.entries, 'kind'));
  fillChoices($('instruction-set'), choices(state.entries, 'instruction_set'));
  for (const id of ['kind', 'instruction-set']) $(id).addEventListener('change', render);
  $('search').addEventListener('input', render);
  $('export-csv').addEventListener('click', () => save(toCsv(shown()), 'text/csv', 'velmark-results.csv'));
  $('export-json').addEventListener('click', () => save(toJson(shown()), 'application/json', 'velmark-results.json'));
  placeOwn();
  render();
}

start();
