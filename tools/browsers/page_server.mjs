// A server for the page's site folder, on 127.0.0.1 and a free port:
// web/serve.py, which sends the isolation headers, or Python's plain one,
// which sends none, as any static host. stopServers() ends every one.
import { spawn } from 'node:child_process';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const started = [];

export function serve(folder, isolated = true) {
  const command = isolated
    ? ['python3', [join(here, '../../web/serve.py'), folder, '--port', '0']]
    : ['python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', folder]];
  // Python's own server logs every request on its standard error.
  const server = spawn(...command, { stdio: ['ignore', 'pipe', isolated ? 'inherit' : 'ignore'] });
  started.push(server);
  return new Promise((resolve, reject) => {
    let seen = '';
    server.stdout.on('data', (chunk) => {
      seen += chunk;
      const found = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(seen) || /port (\d+)/.exec(seen);
      if (found) resolve(`http://127.0.0.1:${found[1]}/`);
    });
    server.on('exit', (status) => reject(new Error(`the server ended (${status}): ${seen}`)));
  });
}

export function stopServers() {
  for (const server of started) server.kill();
}
