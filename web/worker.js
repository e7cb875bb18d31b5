// Runs the benchmark off the page's thread, so that the page stays
// responsive: loads the module this browser runs (or the one the page
// names), makes the measurement for the time it is given (which measures the clock's resolution and
// checks the clock), and posts it back.
import { Engine, moduleFor, pageClock } from './engine.js';
import { measure } from './measure.js';

onmessage = async ({ data }) => {
  try {
    const name = data.module || moduleFor();
    const response = await fetch(name);
    if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
    const engine = await Engine.load(await response.arrayBuffer(), pageClock());
    const measurement = measure(engine, {
      ...(data.budget ? { budget: data.budget } : {}),
      seconds: () => performance.now() / 1000,
      onRun: (runs) => runs % 10 === 0 && postMessage({ progress: runs }),
    });
    postMessage({ done: true, module: name, kernels: engine.kernels, measurement });
  } catch (error) {
    postMessage({ error: String(error && error.message ? error.message : error) });
  }
};
