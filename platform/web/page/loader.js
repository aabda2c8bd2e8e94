// Starts the program: the address's simulate parameter becomes its argument, and the devices
// granted to this page are listed before the first scan.
'use strict';

// Where the program writes the recording in its file system; the saved file takes its name.
const kRecordingPath = '/kr55le-session.jsonl';

(async () => {
  const query = new URLSearchParams(location.search);
  const simulate = query.has('simulate');
  const record = query.has('record');
  const programArguments = [];
  if (simulate) programArguments.push('--simulate=' + query.get('simulate'));
  // Where the simulated devices' assembled payload is written when the dialog closes, in the
  // program's file system (Module.FS): for tests that compare it with the image.
  if (simulate && query.has('simulate-dump')) {
    programArguments.push('--simulate-dump=' + query.get('simulate-dump'));
  }
  // Every report recorded as kr55le-flash --record writes it, for the page to offer as a
  // download (and for kr55le-flash --simulate replay=FILE).
  if (record) programArguments.push('--record=' + kRecordingPath);
  // The language of the texts, over the browser's (for support and tests).
  if (query.has('lang')) programArguments.push('--lang=' + query.get('lang'));
  if (!simulate) await kr55leHid.start();
  const errors = [];
  globalThis.Module = {
    arguments: programArguments,
    printErr: (line) => {
      errors.push(line);
      console.error(line);
    },
    onExit: (status) => kr55le.ended(status, errors),
  };
  kr55le.simulated = simulate;
  if (record) kr55le.offerRecording(kRecordingPath);
  const program = document.createElement('script');
  program.src = 'kr55le-upgrade.js';
  document.body.append(program);
})();
