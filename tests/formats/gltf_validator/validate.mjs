// Runs the Khronos glTF validator over every file named on the command line.
// External resources (image URIs) are read relative to the asset after
// percent-decoding, so every URI we write is really resolved. Prints every
// message; exits 1 when any file has an error. A file may come with
// <file>.image-errors.json, the pointers of images it references that the
// validator must refuse (damaged or CMYK images the studio keeps referring
// to): an IMAGE_ error there is expected, and one missing is a failure.
import fs from 'node:fs';
import path from 'node:path';
import validator from 'gltf-validator';

const severities = ['error', 'warning', 'info', 'hint'];
let failed = false;
for (const file of process.argv.slice(2)) {
  const folder = path.dirname(file);
  const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
    uri: path.basename(file),
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(folder, decodeURIComponent(uri)), (error, data) =>
          error ? reject(error.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  const issues = report.issues;
  console.log(`${path.basename(file)}: ${issues.numErrors} error(s), ${issues.numWarnings} warning(s), ` +
              `${issues.numInfos} info(s), ${issues.numHints} hint(s)`);
  const sidecar = `${file}.image-errors.json`;
  const expected = fs.existsSync(sidecar) ? JSON.parse(fs.readFileSync(sidecar, 'utf8')) : [];
  const refused = new Set();
  for (const m of issues.messages) {
    const foreseen = m.severity === 0 && m.code.startsWith('IMAGE_') && expected.includes(m.pointer);
    if (foreseen) refused.add(m.pointer);
    else if (m.severity === 0) failed = true;
    console.log(`  [${severities[m.severity]}${foreseen ? ', expected' : ''}] ${m.code} ${m.pointer ?? ''} ${m.message}`);
  }
  for (const pointer of expected.filter((p) => !refused.has(p))) {
    console.log(`  expected an image error at ${pointer}, but the validator reported none`);
    failed = true;
  }
}
process.exit(failed ? 1 : 0);
