#!/usr/bin/env node
// Compiles the result schema (web/result_schema.js) with ajv (npm, pinned in
// web/package-lock.json) into web/result_validator.js: plain code with no
// imports, which the page and the results' gate both run, in any browser and
// under node, with nothing to load at run time. The test command runs it
// with --check, which fails when the committed validator is not what the
// schema gives.
//
// usage: node tools/result_validator.mjs [--check] [--output FILE]
import { readFileSync, realpathSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';
import { parseArgs } from 'node:util';

import { RESULT_SCHEMA } from '../web/result_schema.js';

const webFolder = new URL('../web/', import.meta.url);

export function validatorSource() {
  const require = createRequire(new URL('package.json', webFolder));
  const Ajv = require('ajv').default;
  const standaloneCode = require('ajv/dist/standalone').default;
  const ajv = new Ajv({ code: { source: true, esm: true }, allErrors: false, strict: true });
  const source = standaloneCode(ajv, ajv.compile(RESULT_SCHEMA));
  // Whatever ajv would load at run time would be missing in the page.
  if (/\brequire\(/.test(source)) throw new Error('the compiled validator needs a module of ajv at run time');
  return '// The result schema\'s validator, compiled by tools/result_validator.mjs from\n' +
    '// web/result_schema.js with ajv. Do not edit; run the tool.\n' +
    `// eslint-disable\n${source}\n`;
}

function main() {
  const { values } = parseArgs({
    options: { check: { type: 'boolean' }, output: { type: 'string', default: fileURLToPath(new URL('result_validator.js', webFolder)) } },
  });
  const source = validatorSource();
  if (values.check) {
    let current = false;
    try {
      current = readFileSync(values.output, 'utf8') === source;
    } catch {
      // missing: not current
    }
    if (!current) console.error(`${values.output} is not what web/result_schema.js gives: run tools/result_validator.mjs and commit it`);
    console.log(`${current ? 1 : 0} passed, ${current ? 0 : 1} failed`);
    return current ? 0 : 1;
  }
  writeFileSync(values.output, source);
  console.log(`${values.output}: the result schema's validator`);
  return 0;
}

if (process.argv[1] && realpathSync(process.argv[1]) === realpathSync(fileURLToPath(import.meta.url))) process.exitCode = main();
