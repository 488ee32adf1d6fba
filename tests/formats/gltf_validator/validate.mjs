// Runs the Khronos glTF validator over every file named on the command line.
// External resources (image URIs) are read relative to the asset after
// percent-decoding, so every URI we write is really resolved. Prints every
// message; exits 1 when any file has an error.
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
  for (const m of issues.messages)
    console.log(`  [${severities[m.severity]}] ${m.code} ${m.pointer ?? ''} ${m.message}`);
  if (issues.numErrors > 0) failed = true;
}
process.exit(failed ? 1 : 0);
