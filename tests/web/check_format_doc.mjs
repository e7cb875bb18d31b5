// The result format's page (docs/results-format.md) held to the schema
// (web/result_schema.js): every field the schema has is described, every
// field described is in the schema, each with the schema's type and with
// "or null" exactly where the schema lets it be null, and the page names the
// schema version the runner and the page write.
//
// usage: node check_format_doc.mjs docs/results-format.md
import { readFileSync } from 'node:fs';

import { SCHEMA_VERSION } from '../../web/constants.js';
import { RESULT_SCHEMA } from '../../web/result_schema.js';

const [docFile] = process.argv.slice(2);
let passed = 0, failed = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  ok ? ++passed : ++failed;
  return ok;
}

// Every field of the schema by its path (an array's items as name[]), with
// the types it may take; a field of several shapes (anyOf) takes each one's.
function fields(schema, path = '', found = new Map()) {
  const shapes = schema.anyOf || [schema];
  for (const shape of shapes) {
    if (path) {
      const types = found.get(path) || new Set();
      const value = shape.const !== undefined ? shape.const : shape.enum ? shape.enum[0] : undefined;
      types.add(shape.type || (Number.isInteger(value) ? 'integer' : typeof value));
      found.set(path, types);
    }
    for (const [key, child] of Object.entries(shape.properties || {})) fields(child, path ? `${path}.${key}` : key, found);
    if (shape.type === 'array' && shape.items && (shape.items.properties || shape.items.anyOf)) fields(shape.items, `${path}[]`, found);
  }
  return found;
}
const schemaFields = fields(RESULT_SCHEMA);
// Objects are described by their fields; arrays and their items by the rows.
for (const [path, types] of schemaFields) if (types.has('object') && !path.endsWith('[]') && types.size === 1) schemaFields.delete(path);
for (const path of [...schemaFields.keys()]) if (path.endsWith('[]')) schemaFields.delete(path);

const doc = readFileSync(docFile, 'utf8');
const described = new Map();
for (const [, names, type] of doc.matchAll(/^\| (`[^|]+`) \| ([^|]+) \|/gm)) {
  const [first, ...more] = [...names.matchAll(/`([^`]+)`/g)].map((m) => m[1]);
  described.set(first, type.trim());
  for (const name of more) described.set(name.includes('.') ? name : first.replace(/[^.]+$/, name), type.trim());
}

check(doc.includes(`This is schema version ${SCHEMA_VERSION}`) && described.get('schema_version') !== undefined &&
      new RegExp(`^\\| \`schema_version\` \\| integer \\| ${SCHEMA_VERSION}\\b`, 'm').test(doc),
`the page names schema version ${SCHEMA_VERSION}, at its top and in its table`);
const undescribed = [...schemaFields.keys()].filter((path) => !described.has(path));
check(undescribed.length === 0, `every field of the schema is described (not: ${undescribed.join(', ') || 'none'})`);
const unknown = [...described.keys()].filter((path) => !schemaFields.has(path) &&
  !['timing_table', 'validation.measurement_problems'].includes(path));
check(unknown.length === 0, `every field described is in the schema (not: ${unknown.join(', ') || 'none'})`);
const wrong = [...described].filter(([path, type]) => schemaFields.has(path)).filter(([path, type]) => {
  const types = schemaFields.get(path);
  const word = type.split(' ')[0];
  const nullable = types.has('null');
  return nullable !== /\bnull\b/.test(type) || !(types.has(word) || (word === 'number' && types.has('integer')));
}).map(([path, type]) => `${path}: "${type}" where the schema has ${[...schemaFields.get(path)].join(' or ')}`);
check(wrong.length === 0, `each field has the schema's type, and "or null" where it may be null (not: ${wrong.join('; ') || 'none'})`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
