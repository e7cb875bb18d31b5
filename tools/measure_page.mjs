#!/usr/bin/env node
// Runs the page once in one of Debian's browser engines and writes the
// JSON report its Download button gives, byte for byte, as a person would
// save it: for entries of the results table from a browser.
//
// usage: node tools/measure_page.mjs --engine chromium|firefox|webkit --site SITE
//                                    [--module velmark-simd.wasm|velmark.wasm] --output FILE
import { writeFileSync } from 'node:fs';
import { parseArgs } from 'node:util';

import { openBrowser, savedReport } from './browsers/browsers.mjs';
import { serve, stopServers } from './browsers/page_server.mjs';

const { values: options } = parseArgs({
  options: { engine: { type: 'string' }, site: { type: 'string' }, module: { type: 'string' }, output: { type: 'string' } },
});
if (!options.engine || !options.site || !options.output) {
  console.error('usage: measure_page.mjs --engine chromium|firefox|webkit --site SITE [--module M] --output FILE');
  process.exit(2);
}
const browser = await openBrowser(options.engine);
try {
  const url = await serve(options.site);
  const page = await browser.newPage({ width: 1280, height: 900 });
  await page.goto(options.module ? `${url}?module=${options.module}` : url);
  await page.waitFor(() => document.querySelectorAll('#context-lines dd').length > 0, 30000);
  await page.click('#run');
  await page.waitFor(() => !document.querySelector('#run').hidden, 120000);
  const report = await savedReport(page);
  if (!report) throw new Error(`no report: ${await page.evaluate(() => document.querySelector('#status').textContent)}`);
  writeFileSync(options.output, report);
  console.log(`${options.output}: ${await page.evaluate(() => document.querySelector('#status').textContent)}`);
  await page.close();
} finally {
  await browser.close();
  stopServers();
}
