// Runs the benchmark off the page's thread, so that the page stays
// responsive: loads the module this browser runs (or the one the page
// names), measures the clock's resolution, makes the measurement, and
// posts it back.
import { Engine, moduleFor, pageClock } from './engine.js';
import { measure } from './measure.js';

// The smallest step of performance.now() seen in a few thousand readings:
// the resolution the timing table's seconds have.
function clockResolution() {
  let smallest = Infinity, steps = 0, before = performance.now();
  for (let i = 0; i < 200000 && steps < 50; ++i) {
    const now = performance.now();
    if (now > before) {
      smallest = Math.min(smallest, now - before);
      ++steps;
      before = now;
    }
  }
  return smallest / 1000;
}

onmessage = async ({ data }) => {
  try {
    const name = data.module || moduleFor();
    const response = await fetch(name);
    if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
    const engine = await Engine.load(await response.arrayBuffer(), pageClock());
    const resolution = clockResolution();
    const measurement = measure(engine, {
      seconds: () => performance.now() / 1000,
      onRun: (runs) => runs % 10 === 0 && postMessage({ progress: runs }),
    });
    postMessage({ done: true, module: name, kernels: engine.kernels, resolution, measurement });
  } catch (error) {
    postMessage({ error: String(error && error.message ? error.message : error) });
  }
};
