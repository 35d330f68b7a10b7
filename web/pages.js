// The pages the program can open, by name, and their storage: the samples,
// the files picked or dropped, the pages linked and edited. Those picked
// and edited are kept in the browser's storage, one record a page, so that
// a reload finds them again, and two tabs each write only the pages they
// changed.
import { samples } from "psviewer:build";
import { say } from "./console.js";
import { visible, whyRefused } from "./names.js";

export const pages = new Map();
// The pages added or edited since the page opened: the user's latest, which
// what a restore or another tab brings does not replace.
export const touched = new Set();

// What the rest of the page does when a page comes in or changes, and
// whether an edit of a page is waiting to be applied.
export const hooks = { changed() {}, editing() { return false; }, beforeLeaving() {} };

// Says why a name is refused, and whether it is. The samples count from
// the start.
export function refused(name) {
  const why = whyRefused(name, new Set([...Object.keys(samples), ...pages.keys()]));
  if (why) say(`The file ${visible(String(name))} is not added: ${why}.\n`);
  return why !== null;
}

// Adds a page, or replaces the one of its name; false where its name is
// refused.
export function addPage(name, bytes, byUser = true) {
  if (refused(name)) return false;
  pages.set(name, bytes);
  if (byUser) touched.add(name);
  hooks.changed(name, bytes);
  return true;
}

export function base64(bytes) {
  let text = "";
  for (let at = 0; at < bytes.length; at += 0x8000) {
    text += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
  }
  return btoa(text);
}
// A record's page, or null where the record holds none.
export function pageOfRecord(text) {
  try {
    return typeof text === "string" ? Uint8Array.from(atob(text), (c) => c.charCodeAt(0)) : null;
  } catch {
    return null;
  }
}

// The pages are kept in IndexedDB, one record a page, where the engine
// gives it to the page, and in localStorage (a few MB) where it does not:
// pages up to 1 MB then. What comes back is checked: a record that is not
// a page is dropped with a line. Storage may be missing altogether (a
// browser's privacy settings): nothing is kept then.
const keptSize = 1 << 20;            // in localStorage
const recordPrefix = "psviewer-page:";
const oldRecord = "psviewer-pages";  // all pages in one, as 1.2 kept them
const waiting = new Set();           // changed here, not yet written
let keeping = null;

// The database, or null where there is none; an engine that neither opens
// nor refuses it within 3 s has none. One made at this visit, the first,
// holds no records: a restore need not wait until it is open, which takes
// up to 100 ms more.
let madeNow = null;
const databaseIsNew = new Promise((resolve) => { madeNow = resolve; });
const database = new Promise((resolve) => {
  setTimeout(() => resolve(null), 3000);
  try {
    const request = indexedDB.open("psviewer", 1);
    request.onupgradeneeded = () => {
      request.result.createObjectStore("pages");
      madeNow();
    };
    request.onsuccess = () => resolve(request.result);
    request.onerror = (event) => {
      event.preventDefault();
      resolve(null);
    };
  } catch {
    resolve(null);
  }
});
// Each tab tells the others the pages it wrote, which they read again.
const tabs = "BroadcastChannel" in window ? new BroadcastChannel("psviewer-pages") : null;

// Typing keeps the page once it pauses, not at every key.
export function keep(name) {
  waiting.add(name);
  clearTimeout(keeping);
  keeping = setTimeout(writeWaiting, 300);
}
// Each edit that storage refuses is said, with what keeps it instead.
function refusedWrite(name) {
  say(`The page ${visible(name)} is not kept for the next visit: the ` +
    "browser's storage refused it. Save this page keeps it in a file.\n");
}
function writeLocal(name, journal = false) {
  const bytes = pages.get(name);
  try {
    if (bytes && bytes.length <= keptSize) {
      localStorage.setItem(recordPrefix + name, base64(bytes));
    } else {
      localStorage.removeItem(recordPrefix + name);
    }
  } catch {
    if (!journal) refusedWrite(name);
  }
}
async function writeWaiting() {
  clearTimeout(keeping);
  const names = [...waiting];
  waiting.clear();
  const db = await database;
  if (!db) {
    names.forEach((name) => writeLocal(name));
    return;
  }
  const written = [];
  const done = new Promise((resolve) => {
    let transaction;
    try {
      transaction = db.transaction("pages", "readwrite");
    } catch {
      names.forEach(refusedWrite);
      resolve();
      return;
    }
    const records = transaction.objectStore("pages");
    for (const name of names) {
      try {
        if (pages.has(name)) records.put(pages.get(name), name);
        else records.delete(name);
        written.push(name);
      } catch {
        refusedWrite(name);
      }
    }
    // A page written now needs no copy in localStorage, which a tab left
    // meanwhile may have made.
    transaction.oncomplete = () => {
      for (const name of written) forgetLocal(name);
      tabs?.postMessage(written);
      resolve();
    };
    transaction.onabort = () => {
      written.forEach(refusedWrite);
      resolve();
    };
  });
  await done;
}
function forgetLocal(name) {
  try {
    localStorage.removeItem(recordPrefix + name);
  } catch {
    // Nothing is kept here.
  }
}
async function forget(name) {
  forgetLocal(name);
  const db = await database;
  try {
    db?.transaction("pages", "readwrite").objectStore("pages").delete(name);
  } catch {
    // Nothing is kept there.
  }
}
// The records kept in the database, as [name, value] pairs: all of them,
// or those of the names given.
async function databaseRecords(names = null) {
  if (await Promise.race([databaseIsNew.then(() => true), database.then(() => false)])) return [];
  const db = await database;
  if (!db) return [];
  return new Promise((resolve) => {
    try {
      const reading = db.transaction("pages");
      const records = reading.objectStore("pages");
      const keys = names ? null : records.getAllKeys();
      const values = names ? names.map((name) => records.get(name)) : [records.getAll()];
      reading.oncomplete = () => resolve(names
        ? names.map((name, i) => [name, values[i].result])
        : keys.result.map((key, i) => [key, values[0].result[i]]));
      reading.onabort = () => resolve([]);
    } catch {
      resolve([]);
    }
  });
}

// A restore brings back every kept page but those picked or edited since
// the page opened: the database's records, then those in localStorage,
// which are newer (a tab left before its last write was done leaves its
// pages there too) and move into the database.
export async function restore() {
  const records = (await databaseRecords()).map(([name, value]) =>
    [name, value instanceof Uint8Array ? value : null]);
  try {
    moveOldRecord();
    for (let i = 0; i < localStorage.length; ++i) {
      const key = localStorage.key(i);
      if (key?.startsWith(recordPrefix)) {
        records.push([key.slice(recordPrefix.length), pageOfRecord(localStorage.getItem(key)),
          true]);
      }
    }
  } catch {
    // No localStorage: the database's records alone.
  }
  const db = records.some(([, , local]) => local) && await database;
  for (const [name, bytes, local] of records) {
    if (typeof name !== "string" || touched.has(name)) continue;
    if (!bytes) say(`The kept record of ${visible(String(name))} holds no page; it is dropped.\n`);
    if (!bytes || !addPage(name, bytes, false)) forget(name);
    else if (local && db) keep(name);
  }
}
// 1.2 kept all pages in one record; each becomes a record of its own.
function moveOldRecord() {
  const old = localStorage.getItem(oldRecord);
  if (old === null) return;
  localStorage.removeItem(oldRecord);
  let entries = null;
  try {
    entries = JSON.parse(old);
  } catch {
    // Not JSON: said below.
  }
  if (typeof entries !== "object" || entries === null || Array.isArray(entries)) {
    say("The pages kept by an older version hold no pages; they are dropped.\n");
    return;
  }
  for (const [name, text] of Object.entries(entries)) {
    if (typeof text === "string") localStorage.setItem(recordPrefix + name, text);
    else say(`The kept record of ${visible(name)} holds no page; it is dropped.\n`);
  }
}

// Another tab's save shows here too, but for a page changed here and not
// yet written, whose latest is this tab's.
function fromAnotherTab(name, bytes) {
  if (!bytes || waiting.has(name) || hooks.editing(name)) return;
  addPage(name, bytes, false);
}
if (tabs) {
  tabs.onmessage = async ({ data }) => {
    const names = Array.isArray(data) ? data.filter((name) => typeof name === "string") : [];
    if (names.length === 0) return;
    for (const [name, value] of await databaseRecords(names)) {
      if (value instanceof Uint8Array) fromAnotherTab(name, value);
    }
  };
}
window.addEventListener("storage", (event) => {
  if (!event.key?.startsWith(recordPrefix) || event.newValue === null) return;
  fromAnotherTab(event.key.slice(recordPrefix.length), pageOfRecord(event.newValue));
});
// A page left or hidden writes what is waiting, the edit typed last too.
// A write to the database may not be done before the page is gone, so the
// pages go to localStorage too, at once, as far as it holds them.
function writeAll() {
  hooks.beforeLeaving();
  if (waiting.size === 0) return;
  for (const name of waiting) writeLocal(name, true);
  writeWaiting();
}
window.addEventListener("pagehide", writeAll);
document.addEventListener("visibilitychange", () => {
  if (document.visibilityState === "hidden") writeAll();
});
