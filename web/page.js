// The page around the engine: the data pack fetched in the order the show
// needs it, the start-up dialog, full screen and the canvas, animation frames
// for the engine's player (which wait when a file is late), Web Audio, and
// the headless modes ?frames=T1,T2,...&fps=N and ?bench&fps=N.
'use strict';

const page = {
  params: new URLSearchParams(location.search),
  el: (id) => document.getElementById(id),
  fetched: new Map(), // show name -> bytes, of the files the page itself reads
  stopped: false,     // a problem: nothing more runs
  started: false,     // the player's steps have begun
};
page.mode = page.params.has('frames') ? 'frames' : page.params.has('bench') ? 'bench' : 'player';

// The dialog comes once the files of this much of the show are in.
const kFirstSecondsMs = 5000;

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

// A problem stops everything but the fetching; the page names it.
function fail(message) {
  const first = !page.stopped;
  page.stopped = true;
  if (page.mode !== 'player')
    return resultLine('error: ' + message);
  if (first) {
    webAudio.close();
    if (document.fullscreenElement)
      document.exitFullscreen().catch(() => {});
  }
  for (const id of ['loading', 'dialog', 'stage', 'status'])
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

// The music: decoded as soon as it is in, played in the context the
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

// The data pack as softdemo-render site writes it: pack.json lists its files
// in the order the show needs them, each with the first show time anything
// may read it and an address that changes with its bytes, so that the
// browser keeps it for good. They are fetched in that order, a new one only
// while little of those under way is left to come, so that each comes at
// nearly the whole rate; each is handed to the engine (checked, a picture
// decoded) when a frame needs it or when there is time.
const pack = {
  files: [], // pack.json's, each with .state: waiting, fetching, arrived or taken
  total: 0,
  received: 0,
  started: 0,
  next: 0,
  showEnd: 0,

  async load() {
    this.showEnd = _sd_show_end();
    try {
      const response = await fetch('pack.json', { cache: 'no-cache' });
      if (!response.ok)
        throw new Error(`HTTP ${response.status}`);
      this.files = (await response.json()).files;
    } catch (e) {
      fail(`pack.json: the list of the data pack's files could not be read (${e.message})`);
      if (location.protocol === 'file:')
        fail('the page reads its data pack from a web server: serve build-web/site/ (scripts/web --serve) and open it there');
      return false;
    }
    for (const f of this.files) {
      f.state = 'waiting';
      f.received = 0;
      this.total += f.bytes;
    }
    this.started = performance.now();
    this.request();
    return true;
  },

  rate() {
    return this.received / Math.max((performance.now() - this.started) / 1000, 0.001);
  },

  // At most four under way, and more only while what they still bring
  // is less than about a third of a second's worth.
  request() {
    for (;;) {
      const coming = this.files.filter((f) => f.state === 'fetching');
      const left = coming.reduce((sum, f) => sum + Math.max(f.bytes - f.received, 0), 0);
      if (page.stopped || this.next >= this.files.length || coming.length >= 4 ||
          left > Math.max(256e3, this.rate() / 3))
        return;
      this.fetchOne(this.files[this.next++]);
    }
  },

  async fetchOne(f) {
    f.state = 'fetching';
    for (let attempt = 1; ; ++attempt) {
      try {
        f.data = await this.fetchFile(f);
        f.state = 'arrived';
        break;
      } catch (e) {
        this.received -= f.received;
        f.received = 0;
        // A network that drops out is tried again; a server that says no is not.
        if (e.status || attempt === 4) {
          this.problem(f, `${f.name}: could not be fetched (${e.status ? 'HTTP ' + e.status : e.message})`);
          break;
        }
        await new Promise((resolve) => setTimeout(resolve, 1000 * attempt));
      }
    }
    this.request();
  },

  // Counted as it comes, for the rate.
  async fetchFile(f) {
    const response = await fetch(f.address);
    if (!response.ok)
      throw Object.assign(new Error(response.statusText), { status: response.status });
    const reader = response.body.getReader(), parts = [];
    for (;;) {
      const { done, value } = await reader.read();
      if (done)
        break;
      parts.push(value);
      f.received += value.length;
      this.received += value.length;
      this.request();
    }
    const data = new Uint8Array(f.received);
    let at = 0;
    for (const part of parts) {
      data.set(part, at);
      at += part.length;
    }
    return data;
  },

  // The show goes on without an optional file (the music, the dialog's pictures).
  problem(f, text) {
    f.state = 'taken';
    f.warned = f.optional;
    f.optional ? notice(`${text}; going on without it`) : fail(text);
  },

  take(f) {
    const buffer = _sd_file_buffer(f.data.length);
    HEAPU8.set(f.data, buffer);
    const lines = ccall('sd_pack_file', 'string', ['string'], [f.name]).split('\n').filter(Boolean);
    f.state = 'taken';
    if (f.optional)
      page.fetched.set(f.name, f.data);
    if (f.name === page.musicFile && page.mode === 'player')
      page.music = webAudio.decode(f.data);
    f.data = null;
    for (const line of lines)
      this.problem(f, line.slice(line.indexOf(': ') + 2));
  },

  // Every file that is in and due by show time `until`, then more while
  // `budget` ms last.
  takeDue(until, budget) {
    const start = performance.now();
    for (const f of this.files) {
      if (page.stopped || (f.ms > until && performance.now() - start > budget))
        return;
      if (f.state === 'arrived')
        this.take(f);
    }
  },

  // The show time of the first file not yet handed to the engine: every
  // frame before it can be drawn.
  readyUntil() {
    const f = this.files.find((f) => f.state !== 'taken');
    return f ? f.ms : this.showEnd;
  },

  // The same for the files still on their way.
  hereUntil() {
    const f = this.files.find((f) => f.state === 'waiting' || f.state === 'fetching');
    return f ? Math.min(f.ms, this.showEnd) : this.showEnd;
  },

  line() {
    const mb = (bytes) => (bytes / 1e6).toFixed(1);
    const here = this.hereUntil() >= this.showEnd ? 'the whole show' : `${(this.hereUntil() / 1000).toFixed(1)} s of the show`;
    return `${here} ready (${mb(this.received)} of ${mb(this.total)} MB)`;
  },

  // Whether, at the rate measured so far, each file still to come arrives
  // before the show needs it, were it to start in `pauseMs` (with room to
  // spare for a slower moment and the decoding).
  canStart(pauseMs) {
    const rate = this.rate();
    let bytes = 0;
    for (const f of this.files) {
      if (f.state !== 'waiting' && f.state !== 'fetching')
        continue;
      bytes += f.bytes - f.received;
      if (f.ms < this.showEnd && (1.25 * bytes) / rate + 1 > (pauseMs + f.ms) / 1000)
        return false;
    }
    return true;
  },
};

// Hands the engine what has arrived, a slice at a time, until `condition`
// holds; never while a problem stands.
function waitFor(condition) {
  return new Promise((resolve) => {
    const step = () => {
      if (page.stopped)
        return;
      pack.takeDue(-1, 30);
      page.el('progress').value = pack.received / pack.total;
      page.el('progress-text').textContent = pack.line();
      condition() ? resolve() : setTimeout(step, 15);
    };
    step();
  });
}

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

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

// A frame rate from the address, or 0 after saying what is wrong with it.
function rateParam(name) {
  const value = Number(page.params.get(name) || 60);
  if (Number.isInteger(value) && value >= 1 && value <= 1000)
    return value;
  fail(`${name}: "${page.params.get(name)}" is not a whole number from 1 to 1000`);
  return 0;
}

// The headless modes need the whole pack.
async function headless() {
  const fps = rateParam('fps');
  if (!fps || !await pack.load())
    return;
  await waitFor(() => pack.files.every((f) => f.state === 'taken'));
  page.el('loading-label').textContent = page.mode === 'frames' ? 'Rendering frames…' : 'Running the bench…';
  return page.mode === 'frames' ? frames(fps) : bench(fps);
}

// The player: the engine builds the show from what the first seconds need,
// then the page asks its question while the rest arrives.
async function player() {
  if (page.params.has('timeline') && !(webClock.fps = rateParam('timeline')))
    return;
  if (!await pack.load())
    return;
  await waitFor(() => pack.readyUntil() >= kFirstSecondsMs);
  await page.music;
  page.el('loading-label').textContent = 'Preparing the show…';
  await nextTask();
  if (page.stopped || _sd_player_build())
    return;
  page.el('loading').hidden = true;
  for (const id of ['ass1', 'ass2']) {
    const button = page.el(id), file = button.dataset.picture;
    // The check decides, as in the native dialog: a bad picture leaves the text.
    const entry = pack.files.find((f) => f.name === file);
    if (page.fetched.has(file) && entry && !entry.warned) {
      const img = document.createElement('img');
      img.alt = '';
      img.src = URL.createObjectURL(new Blob([page.fetched.get(file)], { type: 'image/bmp' }));
      button.prepend(img);
    }
    button.addEventListener('click', () => start(id));
  }
  page.el('dialog').hidden = false;
  page.el('ass1').focus();
  const meanwhile = () => {
    if (!page.started && !page.stopped) {
      pack.takeDue(-1, 30);
      setTimeout(meanwhile, 15);
    }
  };
  meanwhile();
}

// The player's screen: the canvas in full screen, each frame stretched to it.
// data-frames counts the frames presented, 0 until the pause is over; on the
// renderer's timeline (?timeline=N), `hashes` holds each one's show time and hash.
const webStage = {
  canvas: null,
  image: null,
  presented: 0,
  hashes: [],
  open() {
    if (this.canvas)
      return;
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
  status(line) {
    page.el('status').hidden = !line;
    page.el('status').textContent = line || '';
  },
};

// The tick the engine sees. It stands still while the show waits for a file,
// so that the show goes on from where it stopped; on the renderer's timeline
// (?timeline=N, for tests) each animation frame draws the timeline's next frame.
const webClock = {
  fps: 0,
  stalled: 0,   // ms of waiting
  start: null,  // the tick of show time 0
  frame: 0,     // frames drawn
  last: 0,      // the show time of the last
  tick(now) {
    if (this.fps && this.start !== null)
      return (this.start + Math.floor((this.frame * 1000) / this.fps)) >>> 0;
    return (Math.floor(now) - this.stalled) >>> 0;
  },
  // While the show waits, its clock stands just after the last frame.
  stand(now) {
    if (!this.fps && this.start !== null)
      this.stalled = Math.floor(now) - (this.start + this.last + 1);
  },
  drawn(tick, t) {
    if (this.start === null)
      this.start = tick - t;
    this.last = t;
    ++this.frame;
  },
};

// The network behind the show: picture and music stop on the last frame,
// and go on together once the late file is in. `stops` holds the show time
// of the last frame before each wait and of the first after it.
const waiting = {
  on: false,
  late: 0, // the show time of the file waited for
  music: false,
  stops: [],
  begin(late) {
    this.on = true;
    this.late = late;
    this.music = webAudio.source !== null;
    webAudio.stop();
    this.stops.push({ at: webClock.last });
    this.say();
  },
  say() {
    webStage.status(`Waiting for the network: ${pack.line()}`);
  },
  end(t) {
    this.on = false;
    this.stops.at(-1).resumed = t;
    webStage.status(null);
    if (this.music)
      webAudio.play(t / 1000);
  },
};

// The viewer answered: the stage opens at once (full screen needs the click),
// and the engine's player takes over once the rest of the pack can arrive in time.
function start(choice) {
  if (page.choice)
    return;
  page.choice = choice; // the answer does not change the show
  page.el('dialog').hidden = true;
  webAudio.openOnGesture();
  webStage.open();
  page.started = true;
  const ready = () => {
    if (page.stopped)
      return;
    if (webKeys.isDown(webKeys.codes.Escape))
      return end();
    pack.takeDue(-1, 20);
    if (!pack.canStart(2000)) {
      webStage.status(`Loading: ${pack.line()}`);
      return setTimeout(ready, 100);
    }
    webStage.status(null);
    if (!_sd_player_begin(webClock.tick(performance.now())))
      requestAnimationFrame(pass);
  };
  ready();
}

// One animation frame of the show: the files it needs handed over first, or
// the show waits.
function pass() {
  if (page.stopped)
    return;
  const now = performance.now();
  if (waiting.on) {
    if (webKeys.isDown(webKeys.codes.Escape))
      return end();
    webClock.stand(now);
    pack.takeDue(-1, 8);
    if (pack.readyUntil() <= waiting.late) {
      waiting.say();
      return requestAnimationFrame(pass);
    }
  }
  const tick = webClock.tick(now);
  const t = _sd_player_show_time(tick);
  if (t >= 0 && t < pack.showEnd) {
    pack.takeDue(t, 0);
    if (page.stopped)
      return;
    if (t >= pack.readyUntil()) {
      waiting.begin(pack.readyUntil());
      return requestAnimationFrame(pass);
    }
  }
  if (waiting.on)
    waiting.end(t);
  const presented = webStage.presented;
  const going = _sd_player_pass(tick);
  if (t >= 0)
    webClock.drawn(tick, t);
  if (webClock.fps && webStage.presented !== presented)
    webStage.hashes.push([t, UTF8ToString(_sd_player_frame_hash())]);
  if (!going)
    return end();
  pack.takeDue(t, 3);
  requestAnimationFrame(pass);
}

function end() {
  webAudio.stop();
  if (document.fullscreenElement)
    document.exitFullscreen().catch(() => {});
  webStage.status(null);
  page.el('stage').hidden = true;
  page.el('end').hidden = false;
  page.el('again').focus();
}

Module.onRuntimeInitialized = () => {
  webKeys.listen();
  page.musicFile = UTF8ToString(_sd_music_file());
  page.el('again').addEventListener('click', () => location.reload());
  page.mode === 'player' ? player() : headless();
};
