// The page's speed against the native runner's, side by side in one run on
// one machine (absolute figures move on a shared machine; ratios less so):
// rounds that each run the native runner with its default kernels and with
// SSE2, and the page in every browser engine with its SIMD and its plain
// module; then each one's best headline over the rounds and its ratio to
// the native runner with SSE2, the page's SIMD module's nearest match.
//
// usage: node bench/web_vs_native.mjs RUNNER SITE [ROUNDS [ENGINE...]]   (scripts/bench-web.sh builds both)
// ENGINE is chromium, firefox or webkit; every engine where none is named.
import { execFileSync } from 'node:child_process';

import { ENGINES, openBrowser } from '../tools/browsers/browsers.mjs';
import { serve, stopServers } from '../tools/browsers/page_server.mjs';

const [runner, site, roundsText = '5', ...named] = process.argv.slice(2);
const engines = named.length ? named : ENGINES;
const unknown = engines.filter((engine) => !ENGINES.includes(engine));
if (unknown.length || !(Number(roundsText) >= 1)) {
  console.error('usage: web_vs_native.mjs RUNNER SITE [ROUNDS [ENGINE...]]: ' +
                `ROUNDS at least 1, ENGINE one of ${ENGINES.join(', ')}`);
  process.exit(2);
}
const MODULES = { simd128: 'velmark-simd.wasm', portable: 'velmark.wasm' };

function native(kernels) {
  const report = JSON.parse(execFileSync(runner, [...(kernels ? ['--kernels', kernels] : []), '--json'],
    { encoding: 'utf8' }));
  return { mflops: report.statistics.headline_kflops / 1000, kernels: report.build.kernels };
}

async function page(browser, url, module) {
  const tab = await browser.newPage({ width: 1280, height: 900 });
  try {
    await tab.goto(`${url}?module=${module}`);
    await tab.waitFor(() => document.querySelectorAll('#context-lines dd').length > 0, 30000);
    await tab.click('#run');
    await tab.waitFor(() => !document.querySelector('#run').hidden, 120000);
    const status = await tab.evaluate(() => document.querySelector('#status').textContent);
    const found = /^CPU performance ([\d.]+) MFlops$/.exec(status);
    if (!found) throw new Error(`${module}: ${status}`);
    return Number(found[1]);
  } finally {
    await tab.close();
  }
}

const url = await serve(site);
const best = {};
const keep = (name, mflops) => { best[name] = Math.max(best[name] || 0, mflops); };
const browsers = {};
try {
  for (const engine of engines) browsers[engine] = await openBrowser(engine);
  for (let round = 0; round < Number(roundsText); ++round) {
    const widest = native(null);
    keep(`native ${widest.kernels} (default)`, widest.mflops);
    keep('native sse2', native('sse2').mflops);
    for (const engine of engines) {
      for (const [kernels, module] of Object.entries(MODULES)) {
        keep(`${engine} ${kernels}`, await page(browsers[engine], url, module));
      }
    }
  }
} finally {
  for (const browser of Object.values(browsers)) await browser.close();
  stopServers();
}
const width = Math.max(...Object.keys(best).map((name) => name.length));
for (const [name, mflops] of Object.entries(best)) {
  console.log(`${name.padEnd(width)} ${mflops.toFixed(2).padStart(10)} MFlops  ${(mflops / best['native sse2']).toFixed(2)} of native sse2`);
}
