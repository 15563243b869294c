// The engine: runs one of the six programs on files held in memory, each run
// in a module instance of its own with a fresh file system, as a command runs
// in a fresh process. A worker runs it (its messages are at the end); the page
// runs it itself where it cannot start one.
"use strict";

var songtoolsEngine = (function () {
  const kFolder = "/song";
  let compiled = null;

  async function load(wasmBytes) {
    compiled = await WebAssembly.compile(wasmBytes);
  }

  function sameBytes(a, b) {
    if (!a || a.length !== b.length) return false;
    for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
    return true;
  }

  // Runs PROGRAM with ARGS in a folder holding FILES ({name: Uint8Array}).
  // Resolves to its exit code, the bytes it wrote to standard output and
  // standard error, and the files it wrote or changed.
  async function run(program, args, files) {
    const stdout = [];
    const stderr = [];
    const module = await createSongtools({
      noInitialRun: true,
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled));
        return {};
      },
      // Byte by byte, as the program wrote them: no lines joined or split.
      preRun: [
        (m) =>
          m.FS.init(
            null,
            (byte) => byte !== null && stdout.push(byte),
            (byte) => byte !== null && stderr.push(byte)
          ),
      ],
    });
    const FS = module.FS;
    FS.mkdir(kFolder);
    FS.chdir(kFolder);
    for (const [name, bytes] of Object.entries(files)) FS.writeFile(name, bytes);

    let code;
    try {
      code = module.callMain([program, ...args]);
    } catch (e) {
      if (e && e.name === "ExitStatus") {
        code = e.status;
      } else {
        // Out of memory, say: the page tells it as the program's failure.
        code = -1;
        const text = new TextEncoder().encode(`${program}: stopped: ${e && e.message ? e.message : e}\n`);
        stderr.push(...text);
      }
    }
    const written = {};
    if (code !== -1) {
      for (const name of FS.readdir(kFolder)) {
        if (name === "." || name === "..") continue;
        if (!FS.isFile(FS.stat(name).mode)) continue;
        const bytes = FS.readFile(name);
        if (!sameBytes(files[name], bytes)) written[name] = bytes;
      }
    }
    return { code, stdout: new Uint8Array(stdout), stderr: new Uint8Array(stderr), files: written };
  }

  return { load, run };
})();

// In a worker: {load, wasm} compiles the module, {run, id, program, args,
// files} runs a program; each answer carries the id it answers.
if (typeof WorkerGlobalScope !== "undefined" && self instanceof WorkerGlobalScope) {
  self.onmessage = async (event) => {
    const message = event.data;
    try {
      if (message.type === "load") {
        await songtoolsEngine.load(message.wasm);
        self.postMessage({ type: "loaded" });
      } else if (message.type === "run") {
        const result = await songtoolsEngine.run(message.program, message.args, message.files);
        const buffers = Object.values(result.files).map((bytes) => bytes.buffer);
        self.postMessage({ type: "done", id: message.id, result }, buffers);
      }
    } catch (e) {
      self.postMessage({ type: "failed", id: message.id, problem: String(e && e.message ? e.message : e) });
    }
  };
}
