// Runs the Khronos glTF Validator on each file named and prints every message it gives; exits
// with status 1 when any file has an error or a warning, 77 (skipped) when the validator is not
// installed, so that a machine without it says so instead of passing.
//   node validate_gltf.js FILE.glb|FILE.gltf...   (NODE_PATH: where gltf-validator is installed)
'use strict';
const fs = require('fs');
const path = require('path');

let validator;
try {
  validator = require('gltf-validator');
} catch (e) {
  console.error('gltf-validator is not installed (scripts/bootstrap installs it with npm; could the npm ' +
                'registry be reached?): ' + e.message);
  process.exit(77);
}
const severities = ['error', 'warning', 'info', 'hint'];

async function validate(file) {
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) => Promise.reject(new Error('no external resource expected: ' + uri)),
  });
  const issues = report.issues;
  for (const m of issues.messages)
    console.log(`${file}: ${severities[m.severity]} ${m.code} at ${m.pointer || '/'}: ${m.message}`);
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos, ` +
              `${issues.numHints} hints`);
  return issues.numErrors + issues.numWarnings;
}

(async () => {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error('usage: node validate_gltf.js FILE...');
    process.exit(2);
  }
  let bad = 0;
  for (const f of files)
    bad += await validate(f);
  process.exit(bad ? 1 : 0);
})().catch((e) => {
  console.error(e.stack || String(e));
  process.exit(1);
});
