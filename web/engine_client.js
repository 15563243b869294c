// The page's side of the engine: starts it in a worker where the browser
// starts one from the bundle, else in the page itself, and runs programs in it.
// songtoolsEngineClient.start() resolves to {run(program, args, files)}.
"use strict";

var songtoolsEngineClient = (function () {
  function bytesOfBase64(text) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  function workerEngine(scriptUrl, wasm) {
    const worker = new Worker(scriptUrl);
    const waiting = new Map();
    let nextId = 1;
    const ready = new Promise((resolve, reject) => {
      worker.onmessage = (event) => {
        const message = event.data;
        const caller = waiting.get(message.id);
        if (message.type === "loaded") resolve();
        else if (message.type === "failed" && !caller) reject(new Error(message.problem));
        if (!caller) return;
        waiting.delete(message.id);
        if (message.type === "done") caller.resolve(message.result);
        else caller.reject(new Error(message.problem));
      };
      worker.onerror = (event) => {
        event.preventDefault();
        const problem = new Error(event.message || "the worker stopped");
        reject(problem);
        for (const caller of waiting.values()) caller.reject(problem);
        waiting.clear();
      };
    });
    worker.postMessage({ type: "load", wasm });
    const run = (program, args, files) =>
      new Promise((resolve, reject) => {
        const id = nextId++;
        waiting.set(id, { resolve, reject });
        worker.postMessage({ type: "run", id, program, args, files });
      });
    return ready.then(() => ({ run }));
  }

  // Without a worker (a browser that refuses one from a page on disk) the page
  // runs the engine itself, and waits while it works.
  function pageEngine(scriptUrl, wasm) {
    return new Promise((resolve, reject) => {
      const script = document.createElement("script");
      script.src = scriptUrl;
      script.onload = () => songtoolsEngine.load(wasm).then(() => resolve({ run: songtoolsEngine.run }), reject);
      script.onerror = () => reject(new Error("the engine's script would not load"));
      document.head.appendChild(script);
    });
  }

  function startEngine() {
    const wasm = bytesOfBase64(songtoolsBundle.wasm);
    const blob = new Blob([songtoolsBundle.engineScript], { type: "text/javascript" });
    const scriptUrl = URL.createObjectURL(blob);
    let started;
    try {
      started = workerEngine(scriptUrl, wasm);  // posted as a copy
    } catch (e) {
      started = Promise.reject(e);
    }
    const where = (place) => (engine) => {
      document.body.dataset.engine = place;
      return engine;
    };
    return started.then(where("worker"), () => pageEngine(scriptUrl, wasm).then(where("page")));
  }

  return { start: startEngine, bytesOfBase64 };
})();
