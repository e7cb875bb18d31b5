// JSON from strangers (a results file, a share link), bounded before
// anything recursive touches it: its size, and how deep it nests, read
// without parsing it. A report nests four deep and 100000 runs make some
// 5 MB, so the bounds are far above any report the runner or the page
// writes.
export const MOST_BYTES = 16 << 20;
export const MOST_DEPTH = 8;

// How deep a JSON text nests, strings skipped.
function textDepth(text) {
  let depth = 0, deepest = 0, inString = false;
  for (let i = 0; i < text.length; ++i) {
    const c = text.charCodeAt(i);
    if (inString) {
      if (c === 92) ++i;  // a backslash: skip what it escapes
      else if (c === 34) inString = false;
    } else if (c === 34) {
      inString = true;
    } else if (c === 91 || c === 123) {
      deepest = Math.max(deepest, ++depth);
    } else if (c === 93 || c === 125) {
      --depth;
    }
  }
  return deepest;
}

// { value } or { error } saying what is wrong with the text.
export function parseBoundedJson(text) {
  if (typeof text !== 'string') return { error: 'is no text' };
  if (text.length > MOST_BYTES) return { error: `is ${text.length} characters, more than a report can be` };
  const depth = textDepth(text);
  if (depth > MOST_DEPTH) return { error: `nests ${depth} deep, deeper than a report (at most ${MOST_DEPTH})` };
  try {
    return { value: JSON.parse(text) };
  } catch (error) {
    return { error: `is not JSON (${error.message})` };
  }
}
