// The page around the show: starts the program (the built-in show, or a
// user's archive), paces its frames at the region's field rate, draws them on
// the canvas, and shows the console's lines and the first error.
//
// window.morvane holds what the page knows, for people and for tests: the
// frame shown, frames presented, when the show ended and with what status.
'use strict';

(function () {
  const params = new URLSearchParams(location.search);
  const region = (params.get('region') || 'pal').toLowerCase();
  const stopAt = params.get('frame');
  const unpaced = params.has('unpaced');  // as fast as the browser draws, for measuring
  const fieldMs = region === 'ntsc' ? 1001 / 60 : 20;  // 59.94 or 50 fields a second

  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d');
  const errorLine = document.getElementById('error');
  const consoleBox = document.getElementById('console');
  const statusLine = document.getElementById('status');

  const state = window.morvane = {
    run: 0,            // the show now playing; an older one's frames end it
    frame: -1,         // the show's number of the frame on the canvas
    presented: 0,      // frames drawn on the canvas by this run
    late: 0,           // of them, frames drawn after their field had begun
    ended: null,       // the program's exit status once it has ended
    crashed: null,     // what stopped the program, if it stopped
    errors: [],        // standard error's lines and the console's problem lines
    lines: [],         // every console line
    paused: false,
  };
  let nextField = 0;   // when the next field starts (performance.now() time)
  let wake = null;     // resolves the wait of a paused show
  let stepping = false;
  let lastArchive = null;

  // The console's lines that report a problem, as the engine words them.
  const problem = /^(Error|Warning|Cannot|Damaged|Wrong|Missing|Not enough)\b/;

  function showErrors() {
    const e = state.errors;
    errorLine.textContent = e.length === 0 ? ''
      : e[0] + (e.length > 1 ? `  (and ${e.length - 1} more in the console)` : '');
  }

  function addLine(run, line, isError) {
    if (run !== state.run)
      return;
    state.lines.push(line);
    consoleBox.textContent += line + '\n';
    if (isError || problem.test(line)) {
      state.errors.push(line);
      showErrors();
    }
  }

  function sleep(ms) {
    return new Promise(resolve => setTimeout(resolve, ms));
  }

  // A turn of the browser's event loop without a timer's clamped delay.
  function breathe() {
    return new Promise(resolve => {
      const channel = new MessageChannel();
      channel.port1.onmessage = () => resolve();
      channel.port2.postMessage(0);
    });
  }

  function draw(pixels, width, height) {
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
    }
    context.putImageData(new ImageData(new Uint8ClampedArray(pixels), width, height), 0, 0);
  }

  function showStatus() {
    const what = state.ended !== null ? 'stopped at' : state.paused ? 'paused at' : 'frame';
    statusLine.textContent = state.frame >= 0 ? `${what} ${state.frame}` : '';
  }

  // Called by the program after every frame, with the frame's RGBA pixels
  // (null for a frame nobody sees). Resolves when the next field may start:
  // 1 ends the program (another show replaced it).
  async function field(run, frame, pixels, width, height) {
    if (run !== state.run)
      return 1;
    if (!pixels) {
      await breathe();
      return run !== state.run ? 1 : 0;
    }
    while (state.paused && !stepping && run === state.run)
      await new Promise(resolve => { wake = resolve; });
    stepping = false;
    if (!unpaced) {
      // A frame that overran its field waits for the next field start on the
      // same beat, as on the console, whose vertical blank does not move;
      // fields missed are not made up.
      const now = performance.now();
      if (nextField === 0)
        nextField = now;
      nextField += fieldMs;
      if (nextField < now) {
        state.late++;
        nextField += Math.ceil((now - nextField) / fieldMs) * fieldMs;
      }
      await sleep(nextField - now);
    } else {
      await breathe();
    }
    if (run !== state.run)
      return 1;
    draw(pixels, width, height);
    state.frame = frame;
    state.presented++;
    if (state.presented % 25 === 0 || state.paused)
      showStatus();
    return 0;
  }

  function ended(run, status) {
    if (run !== state.run)
      return;
    state.ended = status;
    showStatus();
  }

  // Plays the built-in show, or `archive` (bytes of a .hvk file) with
  // `scene` as --scene does.
  function start(archive, scene) {
    const run = ++state.run;
    Object.assign(state, { frame: -1, presented: 0, late: 0, ended: null, crashed: null, errors: [], lines: [] });
    consoleBox.textContent = '';
    showErrors();
    nextField = 0;
    const args = ['--region', region === 'ntsc' ? 'ntsc' : 'pal'];
    if (stopAt !== null)
      args.push('--frame', stopAt);
    if (archive)
      args.push('--host', '/user');
    if (scene)
      args.push('--scene', scene);
    createMorvane({
      print: line => addLine(run, line, false),
      printErr: line => addLine(run, line, true),
      morvaneField: (frame, pixels, width, height) => field(run, frame, pixels, width, height),
      morvaneEnded: status => ended(run, status),
      onAbort: what => {
        state.crashed = String(what);
        addLine(run, `morvane: the program stopped: ${what}`, true);
      },
    }).then(module => {
      if (archive) {
        module.FS.mkdir('/user');
        module.FS.writeFile('/user/Morvane.hvk', archive);
      }
      module.callMain(args);
    });
  }

  function togglePause() {
    state.paused = !state.paused;
    document.getElementById('pause').textContent = state.paused ? 'Go on' : 'Pause';
    showStatus();
    if (!state.paused && wake)
      wake();
  }

  function step() {
    if (!state.paused || !wake)
      return;
    stepping = true;
    wake();
  }

  function savePicture() {
    if (state.frame < 0)
      return;
    const name = `morvane-${String(state.frame).padStart(6, '0')}.png`;
    canvas.toBlob(blob => {
      const link = document.createElement('a');
      link.download = name;
      link.href = URL.createObjectURL(blob);
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }, 'image/png');
  }

  document.addEventListener('keydown', event => {
    if (event.target instanceof HTMLInputElement)
      return;
    if (event.key === ' ') togglePause();
    else if (event.key === 'ArrowRight') step();
    else if (event.key === 'F12') savePicture();
    else return;
    event.preventDefault();
  });
  document.getElementById('pause').onclick = togglePause;
  document.getElementById('step').onclick = step;
  document.getElementById('save').onclick = savePicture;
  document.getElementById('fullscreen').onclick = () => document.getElementById('stage').requestFullscreen();
  document.getElementById('archive').onchange = async event => {
    const file = event.target.files[0];
    if (!file)
      return;
    lastArchive = new Uint8Array(await file.arrayBuffer());
    start(lastArchive, document.getElementById('scene').value.trim());
  };
  document.getElementById('play').onclick = () =>
    start(lastArchive, document.getElementById('scene').value.trim());

  start(null, '');
})();
