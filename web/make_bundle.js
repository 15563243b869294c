// Writes the page's songtools.js: the engine's script (the module's factory and
// engine.js, the code a worker runs), the module itself and the example song,
// each as text, since a page opened from disk may not fetch files.
//   node make_bundle.js OUT FACTORY_JS ENGINE_JS MODULE_WASM EXAMPLE_FILE...
"use strict";
const fs = require("fs");
const path = require("path");

const [out, factory, engine, wasm, ...examples] = process.argv.slice(2);
const engineScript = fs.readFileSync(factory, "utf8") + "\n" + fs.readFileSync(engine, "utf8");
const example = {};
for (const file of examples) example[path.basename(file)] = fs.readFileSync(file).toString("base64");

const bundle =
  "// Written by the build from web/: the engine and the example song.\n" +
  "var songtoolsBundle = " +
  JSON.stringify({ engineScript, wasm: fs.readFileSync(wasm).toString("base64"), example }) +
  ";\n";
const temporary = out + ".tmp";
fs.writeFileSync(temporary, bundle);
fs.renameSync(temporary, out);
