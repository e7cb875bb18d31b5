// The page's speed against the native runner's, side by side in one run on
// one machine (absolute figures move on a shared machine; ratios less so):
// rounds that each run the native runner with the plain and the SSE2
// kernels and the page in headless chromium with its SIMD and its plain
// module, then each one's best MFlops over the rounds and its ratio to the
// native runner with the matching kernels.
//
// usage: node bench/web_vs_native.mjs RUNNER SITE [ROUNDS]   (scripts/bench-web.sh builds both)
import { execFileSync, spawn } from 'node:child_process';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

import { chromium } from '../tests/web/node_modules/playwright-core/index.mjs';

const [runner, site, roundsText = '5'] = process.argv.slice(2);
const here = dirname(fileURLToPath(import.meta.url));

function native(kernels) {
  const report = JSON.parse(execFileSync(runner, ['--kernels', kernels, '--json'], { encoding: 'utf8' }));
  return report.statistics.best_kflops / 1000;
}

async function page(browser, url, module) {
  const tab = await browser.newPage();
  await tab.goto(`${url}?module=${module}`);
  await tab.click('#run');
  await tab.waitForFunction(() => !document.querySelector('#run').hidden, null, { timeout: 120000 });
  const status = await tab.locator('#status').innerText();
  await tab.close();
  const found = /^CPU performance ([\d.]+) MFlops$/.exec(status);
  if (!found) throw new Error(`${module}: ${status}`);
  return Number(found[1]);
}

const server = spawn('python3', [join(here, '../web/serve.py'), site, '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
const url = await new Promise((resolve) => server.stdout.on('data', (chunk) => {
  const found = /http:\/\/127\.0\.0\.1:\d+\//.exec(String(chunk));
  if (found) resolve(found[0]);
}));
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--no-first-run'],
});
const best = { 'native portable': 0, 'native sse2': 0, 'page simd128': 0, 'page portable': 0 };
try {
  for (let round = 0; round < Number(roundsText); ++round) {
    best['native portable'] = Math.max(best['native portable'], native('portable'));
    best['native sse2'] = Math.max(best['native sse2'], native('sse2'));
    best['page simd128'] = Math.max(best['page simd128'], await page(browser, url, 'velmark-simd.wasm'));
    best['page portable'] = Math.max(best['page portable'], await page(browser, url, 'velmark.wasm'));
  }
} finally {
  await browser.close();
  server.kill();
}
for (const [name, mflops] of Object.entries(best)) console.log(`${name.padEnd(16)} ${mflops.toFixed(2).padStart(10)} MFlops`);
const ratio = (a, b) => (best[a] / best[b]).toFixed(2);
console.log(`page simd128 / native sse2:     ${ratio('page simd128', 'native sse2')} (goal: at least 0.80)`);
console.log(`page portable / native portable: ${ratio('page portable', 'native portable')}`);
