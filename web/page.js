// The page around the engine: fetching the data pack, the start-up dialog,
// full screen and the canvas, animation frames for the engine's player, Web
// Audio, and the headless modes ?frames=T1,T2,...&fps=N and ?bench&fps=N.
'use strict';

const page = {
  params: new URLSearchParams(location.search),
  el: (id) => document.getElementById(id),
  fetched: new Map(), // show path -> bytes, of the files the page itself reads
};
page.mode = page.params.has('frames') ? 'frames' : page.params.has('bench') ? 'bench' : 'player';

// What the engine prints: the headless modes' result, or the music's
// failures, which the page shows. Those end with no line break ("MESSAGE",
// then "(error code: N)"), so standard output is read byte by byte.
const musicErrors = {
  1: 'no audio output could be opened',
  2: 'the music file is missing or unreadable',
  3: 'the browser cannot decode the music file',
  4: 'a load while the output is not open',
};
function resultLine(line) {
  const result = page.el('result');
  result.hidden = false;
  result.textContent += line + '\n';
  console.log(line);
}
function notice(line) {
  const n = page.el('notice');
  n.hidden = false;
  n.textContent += (n.textContent ? '\n' : '') + line;
  console.warn(line);
}
const printed = { bytes: [], lastLine: '' };
function printedLine(line) {
  if (page.mode !== 'player')
    return resultLine(line);
  if (line.startsWith('error: '))
    return fail(line.slice(7));
  printed.lastLine = line;
}
Module.stdout = (byte) => {
  if (byte === null)
    return;
  if (byte !== 10)
    printed.bytes.push(byte);
  if (byte !== 10 && byte !== 41) // a line break or ')'
    return;
  const text = new TextDecoder().decode(new Uint8Array(printed.bytes));
  const code = page.mode === 'player' && /^\(error code: (\d+)\)$/.exec(text);
  if (byte === 10 || code)
    printed.bytes = [];
  if (code)
    notice(`${printed.lastLine} (error code: ${code[1]}): ${musicErrors[code[1]] || 'the music failed'}; ` +
           'the show goes on silently');
  else if (byte === 10)
    printedLine(text);
};
Module.printErr = (line) => console.warn(line);
Module.onAbort = (what) => fail('the engine stopped: ' + what);

function fail(message) {
  if (page.mode !== 'player')
    return resultLine('error: ' + message);
  for (const id of ['loading', 'dialog', 'stage'])
    page.el(id).hidden = true;
  page.el('problem').hidden = false;
  const li = document.createElement('li');
  li.textContent = message;
  page.el('problems').append(li);
}

// Keys as the engine asks for them: down now, or pressed since the last
// question (Escape during the pause still counts at the first frame).
const webKeys = {
  codes: { Escape: 27, PageUp: 33, PageDown: 34, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40 },
  down: new Set(),
  pressed: new Set(),
  isDown(key) {
    const result = this.down.has(key) || this.pressed.has(key);
    this.pressed.delete(key);
    return result ? 1 : 0;
  },
  listen() {
    addEventListener('keydown', (e) => {
      const key = this.codes[e.key];
      if (key === undefined)
        return;
      this.down.add(key);
      this.pressed.add(key);
      e.preventDefault();
    });
    addEventListener('keyup', (e) => this.down.delete(this.codes[e.key]));
  },
};

// The music: decoded while the pack loads, played in the context the
// viewer's click opened.
const webAudio = {
  buffer: null,
  status: 2, // the player's error codes: 0 decoded, 2 missing, 3 undecodable
  context: null,
  source: null,
  async decode(bytes) {
    try {
      const decoder = new OfflineAudioContext(2, 44100, 44100);
      this.buffer = await decoder.decodeAudioData(bytes.slice().buffer);
      this.status = 0;
    } catch (e) {
      this.status = 3;
    }
  },
  openOnGesture() {
    try {
      this.context = new AudioContext({ sampleRate: 44100 });
      this.context.resume().catch(() => {});
    } catch (e) {
      this.context = null;
    }
  },
  open() {
    return this.context && this.context.state !== 'closed' ? 1 : 0;
  },
  load(path) {
    return path === page.musicFile ? this.status : 2;
  },
  play(seconds = 0) {
    this.stop();
    this.source = this.context.createBufferSource();
    this.source.buffer = this.buffer;
    this.source.connect(this.context.destination);
    this.source.start(0, seconds);
  },
  stop() {
    if (this.source)
      this.source.stop();
    this.source = null;
  },
  // The show left at once: its sound goes with it, as with a program's end.
  close() {
    this.stop();
    if (this.context)
      this.context.close().catch(() => {});
  },
};

// Every file of the pack into the engine's file system, a few at a time.
async function fetchPack() {
  const files = UTF8ToString(_sd_data_files()).trim().split('\n');
  // The music and the dialog's pictures, which the page reads itself.
  page.kept = UTF8ToString(_sd_optional_files()).trim().split('\n');
  page.musicFile = UTF8ToString(_sd_music_file());
  const progress = page.el('progress'), text = page.el('progress-text');
  let started = 0, done = 0, bytes = 0;
  const next = async () => {
    while (started < files.length) {
      const file = files[started++];
      try {
        const response = await fetch(file);
        if (response.ok) {
          const data = new Uint8Array(await response.arrayBuffer());
          FS.mkdirTree(file.slice(0, file.lastIndexOf('/')));
          FS.writeFile(file, data);
          if (page.kept.includes(file))
            page.fetched.set(file, data);
          bytes += data.length;
        }
      } catch (e) {
        // Left out: the data check names it.
      }
      ++done;
      progress.value = done / files.length;
      text.textContent = `${done} of ${files.length} files, ${(bytes / 1e6).toFixed(1)} MB`;
    }
  };
  await Promise.all(Array.from({ length: 6 }, next));
}

// The native programs' check: problems stop the show, warnings are said.
function checkPack() {
  const lines = UTF8ToString(_sd_check_data()).split('\n').filter(Boolean);
  const problems = lines.filter((l) => l.startsWith('problem: ')).map((l) => l.slice(9));
  const warnings = lines.filter((l) => l.startsWith('warning: ')).map((l) => l.slice(9));
  if (problems.length) {
    problems.forEach((p) => fail(p));
    if (location.protocol === 'file:')
      fail('the page reads its data pack from a web server: serve build-web/site/ (scripts/web --serve) and open it there');
    if (page.mode !== 'player')
      resultLine('error: the data pack is not usable');
    return null;
  }
  return warnings;
}

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

// Once the show is built, the engine's copy of the pack is no longer needed.
function forgetPack() {
  for (const file of UTF8ToString(_sd_data_files()).trim().split('\n'))
    if (FS.analyzePath(file).exists)
      FS.unlink(file);
}

// ?frames=T1,T2,...&fps=N: "T HASH" for each time, then "done".
async function frames(fps) {
  const wanted = new Set();
  for (const item of page.params.get('frames').split(',')) {
    if (!/^\d+$/.test(item))
      return resultLine(`error: frames: "${item}" is not a time in whole milliseconds`);
    const t = Number(item), i = Math.ceil((t * fps) / 1000);
    if (t >= 118377 || Math.floor((i * 1000) / fps) !== t)
      return resultLine(`error: ${item} ms is not a frame time of the ${fps} fps timeline`);
    wanted.add(t);
  }
  if (!wanted.size)
    return resultLine('error: no frame times given');
  if (_sd_timeline(fps))
    return;
  forgetPack();
  const last = Math.max(...wanted);
  for (;;) {
    const slice = performance.now() + 50;
    let t;
    while (performance.now() < slice) {
      t = _sd_render_next();
      if (wanted.has(t))
        resultLine(`${t} ${UTF8ToString(_sd_frame_hash())}`);
      if (t < 0 || t >= last)
        return resultLine('done');
    }
    page.el('progress').value = t / last;
    await nextTask();
  }
}

// ?bench&fps=N: the renderer's bench report, then "done". The engine times
// the frames themselves, without the pauses the page takes to stay responsive;
// it runs the timeline twice (the second time timing each effect).
async function bench(fps) {
  if (_sd_timeline(fps))
    return;
  forgetPack();
  let frames = 0;
  for (;;) {
    const done = _sd_bench(100);
    frames += done;
    if (!done)
      break;
    page.el('progress').value = frames / (2 * 118377 * fps / 1000);
    await nextTask();
  }
  _sd_bench_report();
  resultLine('done');
}

function headless() {
  const fps = Number(page.params.get('fps') || 60);
  if (!Number.isInteger(fps) || fps < 1 || fps > 1000)
    return resultLine(`error: fps: "${page.params.get('fps')}" is not a whole number from 1 to 1000`);
  page.el('loading-label').textContent = page.mode === 'frames' ? 'Rendering frames…' : 'Running the bench…';
  return page.mode === 'frames' ? frames(fps) : bench(fps);
}

// The player: the engine builds the show, then the page asks its question.
function player(warnings) {
  for (const w of warnings)
    notice(`${w}; going on without it`);
  page.el('loading-label').textContent = 'Preparing the show…';
  setTimeout(() => {
    if (_sd_player_build())
      return;
    forgetPack();
    page.el('loading').hidden = true;
    for (const id of ['ass1', 'ass2']) {
      const button = page.el(id), file = button.dataset.picture;
      // The check decides, as in the native dialog: a bad picture leaves the text.
      if (page.fetched.has(file) && !warnings.some((w) => w.startsWith(file))) {
        const img = document.createElement('img');
        img.alt = '';
        img.src = URL.createObjectURL(new Blob([page.fetched.get(file)], { type: 'image/bmp' }));
        button.prepend(img);
      }
      button.addEventListener('click', () => start(id));
    }
    page.el('dialog').hidden = false;
    page.el('ass1').focus();
  }, 0);
}

// The player's screen: the canvas in full screen, each frame stretched to it.
// data-frames counts the frames presented, 0 until the pause is over.
const webStage = {
  canvas: null,
  image: null,
  presented: 0,
  open() {
    const stage = page.el('stage');
    stage.hidden = false;
    stage.dataset.frames = 0;
    this.canvas = page.el('screen').getContext('2d');
    if (stage.requestFullscreen)
      stage.requestFullscreen().catch(() => {});
    // Leaving full screen (the browser's own Escape) ends the show like Escape.
    document.addEventListener('fullscreenchange', () => {
      if (!document.fullscreenElement)
        webKeys.pressed.add(webKeys.codes.Escape);
    });
  },
  present(pixels) {
    // A view of the engine's memory, made again only when that memory grows.
    if (!this.image || this.image.data.buffer !== HEAPU8.buffer || this.image.data.byteOffset !== pixels)
      this.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, pixels, 512 * 384 * 4), 512, 384);
    this.canvas.putImageData(this.image, 0, 0);
    page.el('stage').dataset.frames = ++this.presented;
  },
};

// The viewer answered: the engine's player takes over, one pass an animation frame.
function start(choice) {
  page.choice = choice; // the answer does not change the show
  page.el('dialog').hidden = true;
  webAudio.openOnGesture();
  if (_sd_player_begin())
    return;
  const pass = () => (_sd_player_pass() ? requestAnimationFrame(pass) : end());
  requestAnimationFrame(pass);
}

function end() {
  if (document.fullscreenElement)
    document.exitFullscreen().catch(() => {});
  page.el('stage').hidden = true;
  page.el('end').hidden = false;
  page.el('again').focus();
}

Module.onRuntimeInitialized = async () => {
  webKeys.listen();
  page.el('again').addEventListener('click', () => location.reload());
  await fetchPack();
  if (page.mode === 'player' && page.fetched.has(page.musicFile))
    await webAudio.decode(page.fetched.get(page.musicFile));
  page.el('progress-text').innerHTML = '&nbsp;';
  const warnings = checkPack();
  if (!warnings)
    return;
  if (page.mode === 'player')
    player(warnings);
  else
    await headless();
};
