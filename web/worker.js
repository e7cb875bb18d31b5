// Runs the benchmark off the page's thread, so that the page stays
// responsive: loads the module this browser runs (or the one the page
// names), makes the measurement for the time it is given (which measures the clock's resolution and
// checks the clock), and posts it back.
import { Engine, moduleFor, pageClock } from './engine.js';
import { measure } from './measure.js';

// A copy among others waits, its module loaded, until the page lets every
// copy go at once.
let released = null;

onmessage = async ({ data }) => {
  if (data.go) {
    released();
    return;
  }
  try {
    const name = data.module || moduleFor();
    const response = await fetch(name);
    if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
    const engine = await Engine.load(await response.arrayBuffer(), pageClock());
    if (data.barrier) {
      const go = new Promise((resolve) => { released = resolve; });
      postMessage({ ready: true });
      await go;
    }
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
