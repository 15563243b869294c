// The page: takes the files a user gives, runs the programs on them in the
// engine (engine.js, started by engine_client.js), and shows what they print
// and write.
"use strict";

(function () {
  const $ = (id) => document.getElementById(id);
  const kMidiName = /\.(mid|midi|kar|smf)$/i;
  const kLargestReadFile = 512 << 20;

  const { bytesOfBase64 } = songtoolsEngineClient;
  const engine = songtoolsEngineClient.start();

  // ---- What the page shows.

  const text = (bytes) => new TextDecoder().decode(bytes);

  function showProblem(message) {
    const box = $("problem");
    box.textContent = message;
    box.hidden = !message;
  }

  // The status line: what runs, for how long, and how far the whole is.
  let statusTimer = null;
  function showStatus(what, done, steps) {
    clearInterval(statusTimer);
    $("status").hidden = false;
    $("status-progress").value = done / steps;
    const started = performance.now();
    const tell = () => {
      const seconds = (performance.now() - started) / 1000;
      $("status-text").textContent = seconds < 1 ? `${what}…` : `${what}… ${seconds.toFixed(1)} s`;
    };
    tell();
    statusTimer = setInterval(tell, 200);
  }

  function endStatus() {
    clearInterval(statusTimer);
    $("status").hidden = true;
  }

  // What a run printed, as a terminal would show it after its command line.
  function transcript(program, args, result) {
    const printed = text(result.stdout) + text(result.stderr);
    return `$ ${program} ${args.join(" ")}\n${printed}`;
  }

  // Each link or picture shows one file at a time: its earlier one is let go.
  const objectUrls = new Map();
  function urlFor(element, bytes, type) {
    if (objectUrls.has(element.id)) URL.revokeObjectURL(objectUrls.get(element.id));
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    objectUrls.set(element.id, url);
    return url;
  }

  function offerFile(link, name, bytes, type) {
    link.href = urlFor(link, bytes, type);
    link.download = name;
    link.title = `${name}, ${bytes.length} bytes`;
    link.hidden = false;
  }

  // A long song's picture can hold hundreds of thousands of shapes, which a
  // browser takes minutes to draw: past this size it is offered, not shown.
  const kLargestShownPicture = 4 << 20;

  function showPicture(image, name, bytes) {
    const large = $(`${image.id}-large`);
    image.hidden = true;
    large.hidden = true;
    if (bytes.length <= kLargestShownPicture) {
      image.src = urlFor(image, bytes, "image/svg+xml");
      image.hidden = false;
      return;
    }
    const link = large.querySelector("a");
    offerFile(link, name, bytes, "image/svg+xml");
    link.textContent = `${name} (${(bytes.length / (1 << 20)).toFixed(1)} MB)`;
    large.hidden = false;
  }

  // ---- The song's files, named as the programs look for them: STEM.mid,
  // STEM.env, STEM-0.raw and STEM-1.raw.

  const song = { stem: "", given: {}, arranged: "", sng: null, seconds: 0, wav: null, roll: null };

  function stemOf(name) {
    const stem = name.replace(kMidiName, "").replace(/[^A-Za-z0-9._-]+/g, "_").replace(/^[.-]+/, "");
    return stem || "song";
  }

  async function readDropped(list) {
    const files = [];
    for (const file of list) {
      // The programs refuse a MIDI file over 64 MiB, and side files far smaller,
      // with messages of their own; one far over is refused here, unread, before
      // it fills the engine's memory.
      if (file.size > kLargestReadFile)
        throw new Error(`${file.name} is ${(file.size / (1 << 20)).toFixed(0)} MiB, far over any file the programs read (a MIDI file may have 64 MiB)`);
      files.push({ name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
    }
    return files;
  }

  // A drop with a MIDI file starts a new song; one without adds side files to
  // the song already there. Wave files are told apart by -0/-1 in their names,
  // else by their order.
  function takeFiles(files) {
    const midi = files.find((file) => kMidiName.test(file.name));
    if (!midi && !song.stem) {
      showProblem("Give a MIDI file (.mid), with its .env and .raw files if it has them.");
      return false;
    }
    if (midi) {
      song.stem = stemOf(midi.name);
      song.given = { midi };
    }
    const raws = files.filter((file) => /\.raw$/i.test(file.name)).slice(0, 2);
    const numbered = (raw) => raw.name.match(/(?:^|[-_ .])([01])\.raw$/i);
    const unnumbered = raws.filter((raw) => !numbered(raw));
    for (const raw of raws) {
      let slot;
      if (numbered(raw)) slot = `raw${numbered(raw)[1]}`;
      else if (unnumbered.length === 2) slot = `raw${unnumbered.indexOf(raw)}`;
      else slot = song.given.raw0 && !song.given.raw1 ? "raw1" : "raw0";
      song.given[slot] = raw;
    }
    const envelope = files.find((file) => /\.env$/i.test(file.name));
    if (envelope) song.given.env = envelope;
    const unknown = files.filter((file) => file !== midi && file !== envelope && !raws.includes(file));
    showProblem(unknown.length ? `Left aside (neither MIDI, .env nor .raw): ${unknown.map((f) => f.name).join(", ")}` : "");
    return true;
  }

  // The example song's files, decoded once.
  const exampleFiles = Object.entries(songtoolsBundle.example).map(([name, data]) => ({ name, bytes: bytesOfBase64(data) }));

  // The files given and nothing else, named as the programs look for them: the
  // programs see what they would see in a folder holding just these.
  function inputFiles() {
    const stem = song.stem;
    const files = { [`${stem}.mid`]: song.given.midi.bytes };
    for (const n of [0, 1]) if (song.given[`raw${n}`]) files[`${stem}-${n}.raw`] = song.given[`raw${n}`].bytes;
    if (song.given.env) files[`${stem}.env`] = song.given.env.bytes;
    return files;
  }

  // What the page took, and what stands in for a wave table not given: the
  // same as on the command line, so that the figures are the command line's.
  function listFiles() {
    const list = $("file-list");
    list.replaceChildren();
    const say = (text) => {
      const item = document.createElement("li");
      item.textContent = text;
      list.appendChild(item);
    };
    const stem = song.stem;
    say(`${song.given.midi.name} (${song.given.midi.bytes.length} bytes): the MIDI file, read as ${stem}.mid`);
    if (song.given.env) say(`${song.given.env.name} (${song.given.env.bytes.length} bytes): the envelope file, read as ${stem}.env`);
    const missing = [0, 1].filter((n) => !song.given[`raw${n}`]);
    for (const n of [0, 1]) {
      const raw = song.given[`raw${n}`];
      if (raw) say(`${raw.name} (${raw.bytes.length} bytes): wave table ${n}, read as ${stem}-${n}.raw`);
    }
    if (missing.length) {
      const which = missing.length === 2 ? "wave tables 0 and 1" : `wave table ${missing[0]}`;
      say(`${which}: none given. The check counts ${missing.length === 2 ? "them" : "it"} missing, as songcheck ` +
        `does beside a MIDI file without ${missing.length === 2 ? "them" : "it"}; the arranged song gets the example ` +
        `song's, which songprep writes where none is given.`);
    }
    $("env-for-song-label").hidden = !song.given.env;
  }

  // ---- The options, as the programs take them.

  function fillChannelChoices() {
    for (const [id, auto] of [["melody", "the highest notes"], ["bass", "the lowest notes"]]) {
      const select = $(id);
      const choice = (value, label) => {
        const option = document.createElement("option");
        option.value = value;
        option.textContent = label;
        select.appendChild(option);
      };
      choice("", auto);
      for (let channel = 1; channel <= 16; ++channel) choice(String(channel), `channel ${channel}`);
    }
  }

  const field = (id) => $(id).value.trim();

  // Options left at their defaults are left off the command line, as a user
  // would type it.
  const kDefaultUnitMs = "2.5";
  const kDefaultMaxBytes = "65536";

  function typed(flag, id, byDefault = "") {
    const value = field(id);
    return value === "" || value === byDefault ? [] : [flag, value];
  }

  // The player unit for songcheck, songdump and songplay; songprep's 0 (keep
  // the file's times) leaves theirs at the default.
  const unitMs = () => (Number(field("unit-ms")) > 0 ? Number(field("unit-ms")) : Number(kDefaultUnitMs));
  const playerOptions = () => (Number(field("unit-ms")) > 0 ? typed("--unit-ms", "unit-ms", kDefaultUnitMs) : []);

  // songcheck's stream limit: songprep's 0 (no limit) is the most a song file holds.
  function checkLimit() {
    const limit = typed("--max-bytes", "max-bytes", kDefaultMaxBytes);
    if (limit[1] === "0") limit[1] = "16777216";
    return limit;
  }

  function prepOptions() {
    const options = $("channel-mode").checked
      ? ["--voices", field("voices") || "auto", ...typed("--chords", "chords", "top")]
      : [...typed("--melody", "melody"), ...typed("--bass", "bass"), ...typed("--arpeggio", "arpeggio")];
    options.push(...typed("--drums", "drums"), ...typed("--max-bytes", "max-bytes", kDefaultMaxBytes));
    if ($("no-bend").checked) options.push("--no-bend");
    return options.concat(typed("--unit-ms", "unit-ms", kDefaultUnitMs));
  }

  // ---- The work: one program after another, each on the files before it.

  // The steps from the check to the sound, for the status line's progress.
  const kSteps = 6;
  async function runStep(what, done, program, args, files) {
    showStatus(what, done, kSteps);
    const run = await engine;
    return run.run(program, args, files);
  }

  const failed = (result) => text(result.stderr) + text(result.stdout);

  // "Music kept: melody 98.7%, bass 100.0%, note time 63.6% (four voices hold
  // at most 66.3%)" from a report, into a row of the table.
  function showKept(row, report) {
    const kept = report.match(/^Music kept: melody ([\d.]+%), bass ([\d.]+%), note time ([\d.]+%) \(four voices hold at most ([\d.]+%)\)$/m);
    const cells = $(row).querySelectorAll("td");
    [1, 2, 3].forEach((group, i) => (cells[i].textContent = kept ? kept[group] : "no notes"));
    $(row).hidden = false;
    if (kept) $("kept-ceiling").textContent = `Four one-note voices could hold at most ${kept[4]} of the note time.`;
  }

  // songcheck's findings, each a line: what is lost (or worth knowing) and how often.
  function showFindings(report) {
    const list = $("findings");
    list.replaceChildren();
    for (const [, kind, count, title] of report.matchAll(/^(loss|info) +(\d+)  (.*)$/gm)) {
      const item = document.createElement("li");
      item.className = kind;
      const places = count === "1" ? "1 place" : `${count} places`;
      item.textContent = kind === "loss" ? `Lost in ${places}: ${title}` : `Worth knowing (${places}): ${title}`;
      list.appendChild(item);
    }
    const closing = report.match(/^(Nothing is lost|\d+ kinds? of loss in \d+ places?)(;.*)?\.$/m);
    if (closing) {
      const item = document.createElement("li");
      item.textContent = `${closing[1]}.`;
      list.appendChild(item);
    }
  }

  async function checkSong() {
    const stem = song.stem;
    const files = inputFiles();
    const args = ["--svg"].concat(playerOptions(), checkLimit(), [`${stem}.mid`]);
    const checked = await runStep("Checking the file (songcheck)", 0, "songcheck", args, files);
    // 0: nothing lost, 4: something lost; anything else, the file was not read.
    if (checked.code !== 0 && checked.code !== 4) {
      showProblem(failed(checked));
      return false;
    }
    const report = text(checked.stdout);
    for (const id of ["kept", "check", "transcripts"]) $(id).hidden = false;
    showKept("kept-as-it-stands", report);
    showFindings(report);
    $("check-report").textContent = transcript("songcheck", args, checked);
    const pictureName = `${stem}.check.svg`;
    if (checked.files[pictureName]) showPicture($("check-picture"), pictureName, checked.files[pictureName]);
    return true;
  }

  async function arrangeSong() {
    const stem = song.stem;
    const arranged = `${stem}-arranged`;
    const files = inputFiles();
    const prepArgs = prepOptions().concat([`${stem}.mid`, `${arranged}.mid`]);
    const prepared = await runStep("Arranging for the four voices (songprep)", 1, "songprep", prepArgs, files);
    $("arrange").hidden = false;
    $("prep-report").textContent = transcript("songprep", prepArgs, prepared);
    if (prepared.code !== 0) {
      showProblem(failed(prepared));
      return false;
    }
    showKept("kept-arranged", text(prepared.stdout));
    const songFiles = { ...prepared.files };
    if (song.given.env && $("env-for-song").checked) songFiles[`${arranged}.env`] = song.given.env.bytes;

    const made = await runStep("Making the song file (songmake)", 2, "songmake", [`${arranged}.mid`], songFiles);
    let log = transcript("songmake", [`${arranged}.mid`], made);
    if (made.code !== 0) {
      $("make-report").textContent = log;
      showProblem(failed(made));
      return false;
    }
    const sng = made.files[`${arranged}.sng`];
    const assembled = await runStep("Writing its assembler source (songasm)", 3, "songasm", [`${arranged}.sng`], { [`${arranged}.sng`]: sng });
    log += transcript("songasm", [`${arranged}.sng`], assembled);
    $("make-report").textContent = log;
    if (assembled.code !== 0) {
      showProblem(failed(assembled));
      return false;
    }
    const dumpArgs = ["--svg", "--summary"].concat(playerOptions(), [`${arranged}.sng`]);
    const dumped = await runStep("Drawing its piano roll (songdump)", 4, "songdump", dumpArgs, { [`${arranged}.sng`]: sng });
    $("make-report").textContent = log + transcript("songdump", dumpArgs, dumped);

    const length = text(dumped.stdout).match(/^length: (\d+) player units$/m);
    song.seconds = length ? (Number(length[1]) * unitMs()) / 1000 : 0;
    song.arranged = arranged;
    song.sng = sng;
    song.wav = null;
    $("listen").hidden = false;
    offerFile($("download-mid"), `${arranged}.mid`, prepared.files[`${arranged}.mid`], "audio/midi");
    offerFile($("download-sng"), `${arranged}.sng`, sng, "application/octet-stream");
    offerFile($("download-s"), `${arranged}.S`, assembled.files[`${arranged}.S`], "text/plain");
    $("download-wav").hidden = true;
    $("wav-pending").hidden = false;
    const roll = dumped.files[`${arranged}.svg`];
    song.roll = roll && roll.length <= kLargestShownPicture ? rollScale(text(roll)) : null;
    if (roll) showPicture($("roll-picture"), `${arranged}.svg`, roll);
    // A song of a few minutes is rendered at once, so that its sound is there
    // to download; a longer one when it is played.
    const kRenderedAtOnceSeconds = 600;
    if (song.seconds <= kRenderedAtOnceSeconds) await renderSound();
    return true;
  }

  // Where the roll's time axis puts a second, and how far down its notes go:
  // read off its labelled grid lines, which run from the top of the notes to
  // the row of marks, below the title.
  function rollScale(svgText) {
    const picture = new DOMParser().parseFromString(svgText, "image/svg+xml").documentElement;
    const width = parseFloat(picture.getAttribute("width"));
    const marks = [];
    for (const line of picture.querySelectorAll('line[stroke="#ddd"]')) {
      const label = line.nextElementSibling;
      const seconds = label && label.tagName === "text" ? Number(label.textContent) : NaN;
      if (Number.isFinite(seconds))
        marks.push({ x: parseFloat(line.getAttribute("x1")), seconds,
          top: parseFloat(line.getAttribute("y1")), bottom: parseFloat(line.getAttribute("y2")) });
    }
    if (!(width > 0) || marks.length < 2) return null;
    const first = marks[0];
    const last = marks[marks.length - 1];
    const perSecond = (last.x - first.x) / (last.seconds - first.seconds);
    return { width, perSecond, zero: first.x - first.seconds * perSecond, top: first.top, bottom: first.bottom };
  }

  // Everything from the check on, one task at a time.
  let work = Promise.resolve();
  function queue(task) {
    work = work.then(async () => {
      document.body.dataset.busy = "true";
      try {
        await task();
      } catch (e) {
        showProblem(`The page could not finish: ${e && e.message ? e.message : e}`);
      } finally {
        endStatus();
        document.body.dataset.busy = "false";
      }
    });
    return work;
  }

  const kResultParts = ["kept", "listen", "check", "arrange", "transcripts"];

  function processSong() {
    stopPlaying();
    for (const id of kResultParts) $(id).hidden = true;
    $("kept-arranged").hidden = true;
    listFiles();
    queue(async () => {
      if (await checkSong()) await arrangeSong();
    });
  }

  // ---- Listening: songplay renders, Web Audio plays, the cursor follows.

  let audio = null;
  let playing = null;

  function stopPlaying() {
    if (!playing) return;
    const ending = playing;
    playing = null;
    ending.source.onended = null;
    ending.source.stop();
    $("play").textContent = "Play";
    $("play-state").textContent = "";
    $("roll-cursor").hidden = true;
  }

  function moveCursor() {
    if (!playing) return;
    const seconds = audio.currentTime - playing.startedAt;
    const image = $("roll-picture");
    if (song.roll && image.clientWidth > 0) {
      const scale = image.clientWidth / song.roll.width;
      const x = (song.roll.zero + seconds * song.roll.perSecond) * scale;
      const cursor = $("roll-cursor");
      cursor.style.left = `${Math.min(x, image.clientWidth - 2)}px`;
      cursor.style.top = `${song.roll.top * scale}px`;
      cursor.style.height = `${(song.roll.bottom - song.roll.top) * scale}px`;
      cursor.hidden = false;
    }
    const rate = soundRate(song.seconds);
    const lower = rate === kFullRate ? "" : ` (rendered at ${rate} Hz, as the song is long)`;
    $("play-state").textContent = `playing: ${seconds.toFixed(1)} s of ${playing.length.toFixed(1)} s${lower}`;
    requestAnimationFrame(moveCursor);
  }

  // The sound is rendered whole and played from memory: a long song at a
  // lower rate, so that it stays within what a page may hold.
  const kFullRate = 48000;
  const kLargestSound = 256 << 20;
  function soundRate(seconds) {
    const bytesPerSample = 4;  // 16-bit stereo
    return [kFullRate, 24000, 16000, 8000].find((rate) => seconds * rate * bytesPerSample <= kLargestSound) || 0;
  }

  // songplay's WAV of the arranged song, offered for download; false when it
  // could not be made, and the page says why.
  async function renderSound() {
    const name = `${song.arranged}.wav`;
    const rate = soundRate(song.seconds);
    if (!rate) {
      showProblem(`The song lasts ${(song.seconds / 3600).toFixed(1)} hours, too long to play here: ` +
        `songplay on the command line renders it.`);
      return false;
    }
    const rateArgs = rate === kFullRate ? [] : ["--rate", String(rate)];
    const args = rateArgs.concat(playerOptions(), [`${song.arranged}.sng`]);
    const rendered = await runStep("Rendering the sound (songplay)", 5, "songplay", args, { [`${song.arranged}.sng`]: song.sng });
    if (rendered.code !== 0) {
      showProblem(failed(rendered));
      return false;
    }
    song.wav = rendered.files[name];
    offerFile($("download-wav"), name, song.wav, "audio/wav");
    $("wav-pending").hidden = true;
    return true;
  }

  async function play() {
    if (playing) {
      stopPlaying();
      return;
    }
    // Made here, at the click, as browsers start sound only on the user's word.
    audio = audio || new AudioContext();
    const resuming = audio.resume();
    if (!song.wav && !(await renderSound())) return;
    endStatus();
    // A browser without a sound device (or one that waits for a click of its
    // own) never starts the context: said, rather than waited for.
    const kSoundStartMs = 3000;
    const started = await Promise.race([
      resuming.then(() => audio.state === "running", () => false),
      new Promise((resolve) => setTimeout(() => resolve(false), kSoundStartMs)),
    ]);
    if (!started) {
      showProblem("The browser did not start the sound: it may have no sound device, or sound may be " +
        "blocked for this page. The sound can still be downloaded.");
      return;
    }
    const buffer = await audio.decodeAudioData(song.wav.slice().buffer);
    const source = audio.createBufferSource();
    source.buffer = buffer;
    source.connect(audio.destination);
    source.onended = () => stopPlaying();
    playing = { source, startedAt: audio.currentTime, length: buffer.duration };
    source.start();
    $("play").textContent = "Stop";
    document.body.dataset.played = "true";
    requestAnimationFrame(moveCursor);
  }

  // ---- The page's controls.

  // LIST is an array: a drop's file list empties when its event ends, and the
  // picker's when it is cleared for the next choice.
  async function give(list) {
    const files = await readDropped(list);
    if (files.length && takeFiles(files)) processSong();
  }

  function wire() {
    fillChannelChoices();
    const zone = $("drop-zone");
    zone.addEventListener("dragover", (event) => {
      event.preventDefault();
      zone.classList.add("over");
    });
    zone.addEventListener("dragleave", () => zone.classList.remove("over"));
    zone.addEventListener("keydown", (event) => {
      if (event.key !== "Enter" && event.key !== " ") return;
      event.preventDefault();
      $("file-picker").click();
    });
    zone.addEventListener("drop", (event) => {
      event.preventDefault();
      zone.classList.remove("over");
      give(Array.from(event.dataTransfer.files)).catch((e) => showProblem(e.message || String(e)));
    });
    $("file-picker").addEventListener("change", (event) => {
      give(Array.from(event.target.files)).catch((e) => showProblem(e.message || String(e)));
      event.target.value = "";
    });
    $("example").addEventListener("click", () => {
      if (takeFiles(exampleFiles)) processSong();
    });
    $("prep-options").addEventListener("submit", (event) => {
      event.preventDefault();
      if (!song.stem) return;
      stopPlaying();
      showProblem("");
      $("listen").hidden = true;
      $("kept-arranged").hidden = true;
      $("prep-report").textContent = "";
      $("make-report").textContent = "";
      queue(async () => {
        if (await checkSong()) await arrangeSong();
      });
    });
    $("play").addEventListener("click", () => queue(play));
    // Whatever goes wrong is said on the page, not only in the console.
    window.addEventListener("error", (event) => showProblem(`The page failed: ${event.message}`));
    window.addEventListener("unhandledrejection", (event) => {
      event.preventDefault();
      showProblem(`The page failed: ${event.reason && event.reason.message ? event.reason.message : event.reason}`);
    });
    document.body.dataset.busy = "false";
  }

  wire();
})();
