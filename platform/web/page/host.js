// The page's side of the web host: the dialog's elements, the queue of what the user and the
// browser did, WebHID, sounds, the file picker and the wake lock. The program (WebAssembly) calls
// these functions; nothing here calls into the program, because the program may be suspended
// (waiting for a promise) whenever an event arrives: events are queued, and the program takes
// them when it pumps.
'use strict';

globalThis.kr55le = (() => {
  const dialog = () => document.getElementById('dialog');
  const elements = new Map();  // control index -> element
  const messages = [];         // codes waiting for the program
  let wakeMessage = null;      // resolves the program's wait for a message
  let busy = false;            // a transfer runs: leaving the page asks first

  function post(code) {
    messages.push(code);
    if (wakeMessage) {
      const wake = wakeMessage;
      wakeMessage = null;
      wake();
    }
  }

  // --- the page around the dialog ----------------------------------------------------------
  let endedText = '';
  function setTexts(connectCaption, saveCaption, noWebHid, title, ended, demoTitlePrefix,
                    demoNotice) {
    document.getElementById('connect').textContent = connectCaption;
    document.getElementById('save-recording').textContent = saveCaption;
    document.getElementById('no-webhid').textContent = noWebHid;
    // A simulated device changes nothing, whatever the dialog says: the page says so first, so
    // that an address with "?simulate=" followed by mistake cannot pass for an upgrade.
    const shownTitle = kr55le.simulated ? demoTitlePrefix + title : title;
    document.getElementById('title').textContent = shownTitle;
    document.title = shownTitle;
    const demo = document.getElementById('demo');
    demo.textContent = demoNotice;
    demo.hidden = !kr55le.simulated;
    endedText = ended;
  }

  function start() {
    const connect = document.getElementById('connect');
    connect.hidden = kr55le.simulated || !kr55leHid.supported();
    connect.addEventListener('click', () => kr55leHid.choose());
    document.getElementById('save-recording').hidden = !recording;
    document.getElementById('window').hidden = false;
    // Enter is the dialog's OK command and Escape its Cancel, as in the window; Enter on a
    // button is that button's click.
    addEventListener('keydown', (event) => {
      if (document.getElementById('box').open) return;
      if (event.key === 'Escape') {
        event.preventDefault();
        post(kr55le.codes.cancel);
      } else if (event.key === 'Enter' && event.target.tagName !== 'BUTTON') {
        event.preventDefault();
        post(kr55le.codes.ok);
      }
    });
  }

  // The program records every report to `path` in its file system (Module.FS), each event as it
  // happens: the button saves what it holds so far as a download, at any moment.
  let recording = false;
  function offerRecording(path) {
    recording = true;
    const save = document.getElementById('save-recording');
    save.addEventListener('click', () => {
      if (!globalThis.Module || !Module.FS) return;
      const url = URL.createObjectURL(new Blob([Module.FS.readFile(path)],
                                               {type: 'application/jsonl'}));
      const link = document.createElement('a');
      link.href = url;
      link.download = path.split('/').pop();
      link.click();
      setTimeout(() => URL.revokeObjectURL(url), 60000);
    });
  }

  function showNoWebHid() {
    document.getElementById('no-webhid').hidden = false;
  }

  function setDialogSize(width, height) {
    Object.assign(dialog().style, {width: width + 'px', height: height + 'px'});
  }

  // The dialog has closed, or the program has ended before it opened (the options refused).
  function ended(status, errors) {
    document.getElementById('window').hidden = true;
    document.getElementById('connect').hidden = true;
    const note = document.getElementById('ended');
    note.textContent = [endedText, ...errors].join('\n');
    note.hidden = false;
    note.dataset.status = String(status);
  }

  // --- the dialog's elements -------------------------------------------------------------
  // The flags the program gives, blank-separated, as a set.
  const words = (text) => new Set(text.split(' ').filter((word) => word));

  function place(element, x, y, width, height) {
    Object.assign(element.style, {left: x + 'px', top: y + 'px', width: width + 'px',
                                  height: height + 'px'});
  }

  function addControl(controlId, index, kind, text, x, y, width, height, flags, name, command) {
    let element;
    switch (kind) {
      case 'button':
        if (flags.has('groupbox')) {
          element = document.createElement('fieldset');
          element.setAttribute('aria-hidden', 'true');
        } else {
          element = document.createElement('button');
          element.type = 'button';
          // "&Upgrade": the letter after & is the access key, underlined.
          const amp = text.indexOf('&');
          if (amp >= 0 && amp + 1 < text.length) {
            element.append(text.slice(0, amp));
            const key = document.createElement('u');
            key.textContent = text[amp + 1];
            element.append(key, text.slice(amp + 2));
            element.accessKey = text[amp + 1].toLowerCase();
          } else {
            element.textContent = text;
          }
          if (command >= 0) element.addEventListener('click', () => post(command));
        }
        break;
      case 'edit':
        element = document.createElement(flags.has('multiline') ? 'textarea' : 'input');
        element.readOnly = true;
        break;
      case 'static':
        element = document.createElement('span');
        element.textContent = text;
        break;
      case 'listbox':
        element = document.createElement('select');
        element.size = 4;
        break;
      case 'combobox':
        element = document.createElement('select');
        element.size = 3;
        break;
      case 'progress':
        element = document.createElement('progress');
        break;
    }
    element.classList.add('control', kind);
    if (flags.has('centered')) element.classList.add('centered');
    if (flags.has('border')) element.classList.add('border');
    if (flags.has('hidden')) element.hidden = true;
    if (flags.has('disabled')) element.disabled = true;
    if (!flags.has('tabstop') && element.tabIndex >= 0) element.tabIndex = -1;
    if (controlId !== null) element.dataset.controlId = String(controlId);
    if (name) element.setAttribute('aria-label', name);
    if (flags.has('live')) {
      element.setAttribute('role', 'status');
      element.setAttribute('aria-live', 'polite');
    }
    if (flags.has('paced')) pacedElements.add(element);
    place(element, x, y, width, height);
    dialog().append(element);
    if (index >= 0) elements.set(index, element);
    return element;
  }

  // The progress and its percentage change with every block: they are shown at most every
  // kPacedMs, because a browser that draws each change can spend as long on that as on the block
  // itself. Any other text shows them first, so that a status never reads ahead of the progress.
  const kPacedMs = 80;
  const pacedElements = new Set();
  const paced = new Map();  // element -> how to show its latest change
  let pacedTimer = null;

  function showPaced() {
    clearTimeout(pacedTimer);
    pacedTimer = null;
    for (const show of paced.values()) show();
    paced.clear();
  }

  function update(element, show) {
    if (pacedElements.has(element)) {
      paced.set(element, show);
      if (pacedTimer === null) pacedTimer = setTimeout(showPaced, kPacedMs);
    } else {
      showPaced();
      show();
    }
  }

  function setText(index, text) {
    const element = elements.get(index);
    update(element, () => {
      if (element.tagName === 'SELECT') {
        element.dataset.text = text;
      } else if ('value' in element && element.tagName !== 'BUTTON') {
        element.value = text;
      } else {
        element.textContent = text;
      }
    });
  }

  function setEnabled(index, enabled) {
    elements.get(index).disabled = !enabled;
  }

  // The entries the program joined with line feeds.
  const lines = (text) => (text.length ? text.split('\n') : []);

  function setEntries(index, entries, selection) {
    const element = elements.get(index);
    element.replaceChildren(...entries.map((entry) => new Option(entry, entry)));
    element.selectedIndex = selection;
  }

  function setProgress(minimum, maximum, position, index) {
    const element = elements.get(index);
    update(element, () => {
      element.max = Math.max(1, maximum - minimum);
      element.value = position - minimum;
    });
  }

  function setHint(index, hint) {
    elements.get(index).title = hint;
  }

  // --- messages ---------------------------------------------------------------------------
  function takeMessage() {
    return messages.length ? messages.shift() : -1;
  }

  // Resolves once a message is queued, or after `ms` milliseconds.
  function waitForMessage(ms) {
    if (messages.length) return Promise.resolve();
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        wakeMessage = null;
        resolve();
      }, ms);
      wakeMessage = () => {
        clearTimeout(timer);
        resolve();
      };
    });
  }

  // A turn of the browser's event loop without setTimeout's clamping of nested timers.
  const channel = new MessageChannel();
  const turns = [];
  channel.port1.onmessage = () => turns.shift()();
  function yieldToBrowser() {
    return new Promise((resolve) => {
      turns.push(resolve);
      channel.port2.postMessage(null);
    });
  }

  // --- boxes, sounds, files -------------------------------------------------------------
  function messageBox(caption, text) {
    const box = document.getElementById('box');
    document.getElementById('box-caption').textContent = caption;
    document.getElementById('box-text').textContent = text;
    return new Promise((resolve) => {
      box.addEventListener('close', () => resolve(), {once: true});
      box.showModal();
    });
  }

  let audio = null;
  function beep(error) {
    try {
      audio = audio || new AudioContext();
      const tone = audio.createOscillator();
      const gain = audio.createGain();
      tone.frequency.value = error ? 330 : 880;
      gain.gain.value = 0.15;
      tone.connect(gain).connect(audio.destination);
      tone.start();
      tone.stop(audio.currentTime + (error ? 0.25 : 0.12));
    } catch (e) {
      // No sound where the browser gives none; the status line says what happened.
    }
  }

  // Resolves with the chosen File, or null when the picker was closed without one.
  function pickFile(accept) {
    const input = document.getElementById('file');
    input.accept = accept;
    input.value = '';
    return new Promise((resolve) => {
      const done = (file) => {
        delete input.dataset.picking;
        resolve(file);
      };
      input.addEventListener('change', () => done(input.files[0] || null), {once: true});
      input.addEventListener('cancel', () => done(null), {once: true});
      // Marked while the picker is open, for scripts that hand it a file themselves.
      input.dataset.picking = 'yes';
      input.click();
    });
  }

  // The chosen file in the program's file system (`fs`). One longer than `largest` is not read
  // at all but for its header: the file there holds those bytes and says it has the chosen
  // file's length, so that the program refuses it as too large as it refuses any, while a file
  // of gigabytes never fills the tab's memory.
  const kSeekEnd = 2;  // SEEK_END, as the program's C library numbers it
  async function placeFile(fs, folder, file, largest, headerLength) {
    fs.mkdirTree(folder);
    const path = folder + '/' + file.name;
    const whole = file.size <= largest;
    const bytes = new Uint8Array(await (whole ? file : file.slice(0, headerLength)).arrayBuffer());
    fs.writeFile(path, bytes);
    if (whole) return;
    const node = fs.lookupPath(path).node;
    const missing = file.size - bytes.length;
    const {getattr} = node.node_ops;
    const {llseek} = node.stream_ops;
    node.node_ops = {...node.node_ops, getattr: (of) => ({...getattr(of), size: file.size})};
    node.stream_ops = {
      ...node.stream_ops,
      llseek: (stream, offset, whence) =>
        llseek(stream, whence === kSeekEnd ? offset + missing : offset, whence),
    };
  }

  // --- the hold on sleep ------------------------------------------------------------------
  // The browser lets go of a screen wake lock whenever the tab is hidden: while the hold is
  // wanted, the lock is taken again each time the tab comes back, and each refusal is said in
  // the hint of the element the program named and on the page.
  let wakeLock = null;
  let wakeWanted = null;  // {hintIndex, refused} while the program holds the screen awake

  function showWakeRefused(refused) {
    const note = document.getElementById('wake-lock');
    const hinted = elements.get(wakeWanted.hintIndex);
    note.textContent = wakeWanted.refused;
    note.hidden = !refused;
    if (refused) {
      hinted.title = wakeWanted.refused;
    } else if (hinted.title === wakeWanted.refused) {
      hinted.title = '';
    }
  }

  async function takeWakeLock() {
    const wanted = wakeWanted;
    let lock = null;
    try {
      lock = await navigator.wakeLock.request('screen');
    } catch (e) {
      // Refused (the tab hidden again, a power saver, a policy): said below.
    }
    if (wakeWanted !== wanted) {
      if (lock) lock.release().catch(() => {});
      return;
    }
    wakeLock = lock;
    if (lock) lock.addEventListener('release', () => { if (wakeLock === lock) wakeLock = null; });
    showWakeRefused(!lock);
  }

  function holdAwake(hintIndex, refused) {
    wakeWanted = {hintIndex, refused};
    return takeWakeLock();
  }

  function releaseAwake() {
    if (wakeLock) wakeLock.release().catch(() => {});
    wakeLock = null;
    if (wakeWanted) showWakeRefused(false);
    wakeWanted = null;
  }

  document.addEventListener('visibilitychange', () => {
    if (wakeWanted && !wakeLock && document.visibilityState === 'visible') takeWakeLock();
  });

  function setBusy(on) {
    busy = on;
  }
  addEventListener('beforeunload', (event) => {
    if (!busy) return;
    event.preventDefault();
    event.returnValue = '';
  });

  return {lines, setTexts, start, offerRecording, showNoWebHid, setDialogSize, ended, addControl,
          setText, setEnabled, setEntries, setProgress, setHint, takeMessage, waitForMessage,
          yieldToBrowser, messageBox, beep, pickFile, placeFile, holdAwake, releaseAwake, setBusy,
          words};
})();
