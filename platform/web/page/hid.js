// WebHID for the program: the devices this page has been granted, their input reports queued
// until the program reads them, and one tab at a time on a device (Web Locks).
//
// WebHID gives a device no name that other tabs share (no serial number; its objects are each
// tab's own). What every tab of a profile does share is the order of getDevices(): the browser
// keeps the devices in one map for the profile, keyed by an id each connection gets, and lists
// every tab's granted devices in that map's order (the origin's grants are the profile's too).
// So a device's place among the identical devices listed (same vendor, product and name) names
// it alike in every tab, as long as that list does not change. A tab that holds a device holds
// a lock that says so; a tab about to open one, one such tab at a time, asks every holder for
// the place of its device, read afresh, and takes the device only when every holder has
// answered, none holds that place in a list of the same length, and its own list is the same
// after the answers as before. Anything less certain counts as in use.
'use strict';

globalThis.kr55leHid = (() => {
  // The device's vendor, and its vendor-defined usage page, which the chooser offers.
  const kVendorId = 0x0483;
  const kVendorUsagePage = 0xff00;
  // Reports kept for the program at most: a device that chatters while nobody reads does not
  // fill the memory.
  const kQueuedReportLimit = 256;
  // One tab at a time decides whether a device is free; each device held has a lock named by
  // this tab and the device's index here, which the holders' answers name.
  const kOpenLock = 'kr55le-open';
  const kHeldPrefix = 'kr55le-held:';
  const kChannel = 'kr55le-devices';
  // How long an opener waits for the holders' answers: a tab answers in its next turn, a slow
  // one within this; one that has not answered by then holds the device, as far as we know.
  const kAnswerWaitMs = 2000;

  const entries = [];  // index -> {device, reports, gone, opens, release, lock}
  const notices = [];  // true for an arrival, false for a removal, until the program takes them
  const indexOf = new Map();

  function entryOf(device) {
    let index = indexOf.get(device);
    if (index === undefined) {
      index = entries.length;
      indexOf.set(device, index);
      const entry = {device, reports: [], gone: false, opens: 0, release: null, wake: null,
                     lock: null};
      entries.push(entry);
      device.addEventListener('inputreport', (event) => {
        const report = new Uint8Array(event.data.byteLength + 1);
        report[0] = event.reportId;
        report.set(new Uint8Array(event.data.buffer, event.data.byteOffset, event.data.byteLength),
                   1);
        if (entry.reports.length >= kQueuedReportLimit) entry.reports.shift();
        entry.reports.push(report);
        if (entry.wake) entry.wake();
      });
    }
    const entry = entries[index];
    entry.gone = false;
    return index;
  }

  // The largest report of a kind, in bytes, with the ID byte, as Windows counts its capabilities.
  function longest(reports) {
    let bits = 0;
    for (const report of reports || []) {
      let sum = 0;
      for (const item of report.items || []) sum += item.reportSize * item.reportCount;
      bits = Math.max(bits, sum);
    }
    return bits === 0 ? 0 : Math.ceil(bits / 8) + 1;
  }

  function lengths(device) {
    const out = {input: 0, output: 0, feature: 0};
    for (const collection of device.collections) {
      out.input = Math.max(out.input, longest(collection.inputReports));
      out.output = Math.max(out.output, longest(collection.outputReports));
      out.feature = Math.max(out.feature, longest(collection.featureReports));
    }
    return out;
  }

  const supported = () => 'hid' in navigator;

  async function start() {
    if (!supported()) return;
    for (const device of await navigator.hid.getDevices()) entryOf(device);
    navigator.hid.addEventListener('connect', (event) => {
      entryOf(event.device);
      notices.push(true);
    });
    navigator.hid.addEventListener('disconnect', (event) => {
      const index = indexOf.get(event.device);
      if (index !== undefined) {
        entries[index].gone = true;
        entries[index].reports.length = 0;
        if (entries[index].wake) entries[index].wake();
      }
      notices.push(false);
    });
  }

  // The button's work: the browser's chooser, then the granted device as an arrival.
  async function choose() {
    try {
      const chosen = await navigator.hid.requestDevice(
          {filters: [{vendorId: kVendorId, usagePage: kVendorUsagePage}]});
      if (chosen.length) {
        chosen.forEach(entryOf);
        notices.push(true);
      }
    } catch (e) {
      // Closed without a choice: nothing changes.
    }
  }

  // Every granted device present now.
  function list() {
    return entries.map((entry, index) => ({index, entry})).filter(({entry}) => !entry.gone)
        .map(({index, entry}) => ({
          index,
          vendorId: entry.device.vendorId,
          productId: entry.device.productId,
          name: entry.device.productName,
          ...lengths(entry.device),
        }));
  }

  // The list for the program: a line a device, its fields separated by tabs, the name last.
  function listText() {
    return list().map((d) => [d.index, d.vendorId, d.productId, d.input, d.output, d.feature,
                              d.name.replace(/[\t\n\r]/g, ' ')].join('\t')).join('\n');
  }

  // --- one tab at a time on a device -----------------------------------------------------
  const tab = Math.random().toString(36).slice(2) + Date.now().toString(36);
  const channel = 'BroadcastChannel' in globalThis ? new BroadcastChannel(kChannel) : null;
  let questions = 0;
  let inUseBy = '';  // the title the holder of the device last found in use gave

  const kindOf = (device) => JSON.stringify([device.vendorId, device.productId,
                                             device.productName]);

  // The granted devices identical to `device`, in the profile's order, read now.
  async function twins(device) {
    const kind = kindOf(device);
    return (await navigator.hid.getDevices()).filter((other) => kindOf(other) === kind);
  }

  // A holder's side: the place of each device held here, for the tab that asks.
  if (channel) {
    channel.addEventListener('message', async ({data}) => {
      if (!data || !data.question) return;
      for (const entry of entries.filter((held) => held.lock)) {
        const list = await twins(entry.device);
        channel.postMessage({answer: data.question, lock: entry.lock, kind: kindOf(entry.device),
                             place: list.indexOf(entry.device), count: list.length,
                             title: document.title});
      }
    });
  }

  // The answers of the holders of `locks`, by lock, as many as come within kAnswerWaitMs.
  function ask(locks) {
    const answers = new Map();
    if (!locks.length) return Promise.resolve(answers);
    const question = tab + ':' + ++questions;
    return new Promise((resolve) => {
      const hear = ({data}) => {
        if (!data || data.answer !== question) return;
        answers.set(data.lock, data);
        if (locks.every((lock) => answers.has(lock))) done();
      };
      const done = () => {
        clearTimeout(timer);
        channel.removeEventListener('message', hear);
        resolve(answers);
      };
      const timer = setTimeout(done, kAnswerWaitMs);
      channel.addEventListener('message', hear);
      channel.postMessage({question});
    });
  }

  // Who else holds the device at `place` of the list `before`: null when no one, else the
  // holder's title ('' when not known). Any doubt answers that someone does.
  async function holderOf(entry, before, place) {
    const own = kHeldPrefix + tab + ':';
    const others = (await navigator.locks.query()).held.map((lock) => lock.name)
        .filter((name) => name.startsWith(kHeldPrefix) && !name.startsWith(own));
    if (others.length && !channel) return '';
    const answers = await ask(others);
    const after = await twins(entry.device);
    if (after.length !== before.length || after.some((device, i) => device !== before[i])) {
      return '';
    }
    for (const lock of others) {
      const answer = answers.get(lock);
      if (!answer) return '';
      if (answer.kind !== kindOf(entry.device)) continue;
      if (answer.count !== before.length) return '';
      if (answer.place === place) return answer.title || '';
    }
    return null;
  }

  // Takes the device for this tab: '' once taken, else 'gone' or 'in use'.
  async function take(entry, index) {
    try {
      return await navigator.locks.request(kOpenLock, () => decide(entry, index));
    } catch (e) {
      return 'in use';  // no locks to keep tabs apart
    }
  }

  // Under kOpenLock: the device's lock taken when no other tab holds the device.
  async function decide(entry, index) {
    const before = await twins(entry.device);
    const place = before.indexOf(entry.device);
    if (place < 0) return 'gone';
    const holder = await holderOf(entry, before, place);
    if (holder !== null) {
      inUseBy = holder;
      return 'in use';
    }
    entry.lock = kHeldPrefix + tab + ':' + index;
    await new Promise((taken) => {
      navigator.locks.request(entry.lock, () => {
        taken();
        return new Promise((release) => { entry.release = release; });
      });
    });
    return '';
  }

  function letGo(entry) {
    if (entry.release) entry.release();
    entry.release = null;
    entry.lock = null;
  }

  // 0, or why not: 'gone', 'in use' or the browser's message.
  async function open(index) {
    const entry = entries[index];
    if (!entry || entry.gone) return 'gone';
    if (entry.opens === 0) {
      const why = await take(entry, index);
      if (why) return why;
      try {
        if (!entry.device.opened) await entry.device.open();
      } catch (e) {
        letGo(entry);
        return entry.gone ? 'gone' : String(e.message || e);
      }
      entry.reports.length = 0;
    }
    entry.opens += 1;
    return 0;
  }

  function close(index) {
    const entry = entries[index];
    if (!entry || entry.opens === 0 || --entry.opens > 0) return;
    letGo(entry);
    if (entry.device.opened) entry.device.close().catch(() => {});
  }

  // The next report, null when none is queued; throws 'gone' once the device has gone.
  function read(index) {
    const entry = entries[index];
    if (entry.gone) throw new Error('gone');
    return entry.reports.length ? entry.reports.shift() : null;
  }

  // Resolves once a report is queued or the device has gone, or after `ms` milliseconds: to
  // true when it waited for that, false when it was so already.
  function awaitReport(index, ms) {
    const entry = entries[index];
    if (entry.gone || entry.reports.length) return Promise.resolve(false);
    return new Promise((resolve) => {
      const timer = setTimeout(() => entry.wake(), ms);
      entry.wake = () => {
        clearTimeout(timer);
        entry.wake = null;
        resolve(true);
      };
    });
  }

  // '' once sent, else why not: 'gone', 'not sent' and the reason where nothing of it can have
  // left, or the browser's message.
  async function write(index, report) {
    const entry = entries[index];
    if (entry.gone) return 'gone';
    // sendReport refuses a device that is not open before it hands the report on, but so does
    // its rejection look (InvalidStateError) when the device is closed under a write: asked here.
    if (!entry.device.opened) return 'not sent: the device is not open';
    try {
      await entry.device.sendReport(report[0], report.subarray(1));
      return '';
    } catch (e) {
      if (entry.gone) return 'gone';
      // Only sendReport's own check of the report's size rejects with this, before handing it on.
      if (e.name === 'NotSupportedError') return 'not sent: ' + e.message;
      return String(e.message || e) || 'failed';
    }
  }

  // A page being closed or left cannot run the program any more: what its close would send is
  // given beforehand and sent here, as far as a page that goes can still send.
  let leaveReport = null;
  addEventListener('pagehide', () => {
    if (!leaveReport) return;
    for (const entry of entries) {
      if (entry.opens > 0 && !entry.gone && entry.device.opened) {
        entry.device.sendReport(leaveReport[0], leaveReport.subarray(1)).catch(() => {});
      }
    }
  });

  // -1 when none is waiting, 1 for an arrival, 0 for a removal.
  function takeNotice() {
    return notices.length ? Number(notices.shift()) : -1;
  }

  return {supported, start, choose, list, listText, open, close, read, awaitReport, write,
          takeNotice, isGone: (i) => entries[i].gone, inUseBy: () => inUseBy,
          setLeaveReport: (report) => { leaveReport = report; }};
})();
