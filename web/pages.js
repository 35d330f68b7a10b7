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

// Pages are kept up to this size, as far as the storage holds them (a few
// MB). Storage may be missing altogether (a browser's privacy settings):
// nothing is kept then.
const keptSize = 1 << 20;
const recordPrefix = "psviewer-page:";
const oldRecord = "psviewer-pages";  // all pages in one, as 1.2 kept them
const waiting = new Set();           // changed here, not yet written
let keeping = null;

// Typing keeps the page once it pauses, not at every key.
export function keep(name) {
  waiting.add(name);
  clearTimeout(keeping);
  keeping = setTimeout(writeWaiting, 300);
}
// Each edit that storage refuses is said, with what keeps it instead.
function writeWaiting() {
  clearTimeout(keeping);
  for (const name of waiting) {
    const bytes = pages.get(name);
    try {
      if (bytes && bytes.length <= keptSize) {
        localStorage.setItem(recordPrefix + name, base64(bytes));
      } else {
        localStorage.removeItem(recordPrefix + name);
      }
    } catch {
      say(`The page ${visible(name)} is not kept for the next visit: the ` +
        "browser's storage refused it. Save this page keeps it in a file.\n");
    }
  }
  waiting.clear();
}
function forget(name) {
  try {
    localStorage.removeItem(recordPrefix + name);
  } catch {
    // Nothing is kept here.
  }
}

// A restore brings back every kept page but those picked or edited since
// the page opened. What comes back is checked: a record that is not a page
// is dropped with a line.
export function restore() {
  const records = [];
  try {
    moveOldRecord();
    for (let i = 0; i < localStorage.length; ++i) {
      const key = localStorage.key(i);
      if (key?.startsWith(recordPrefix)) {
        records.push([key.slice(recordPrefix.length), localStorage.getItem(key)]);
      }
    }
  } catch {
    return;
  }
  for (const [name, text] of records) {
    if (touched.has(name)) continue;
    const bytes = pageOfRecord(text);
    if (!bytes) say(`The kept record of ${visible(name)} holds no page; it is dropped.\n`);
    if (!bytes || !addPage(name, bytes, false)) forget(name);
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
window.addEventListener("storage", (event) => {
  if (!event.key?.startsWith(recordPrefix) || event.newValue === null) return;
  const name = event.key.slice(recordPrefix.length);
  const bytes = pageOfRecord(event.newValue);
  if (!bytes || waiting.has(name) || hooks.editing(name)) return;
  addPage(name, bytes, false);
});
// A page left or hidden writes what is waiting, the edit typed last too.
function writeAll() {
  hooks.beforeLeaving();
  writeWaiting();
}
window.addEventListener("pagehide", writeAll);
document.addEventListener("visibilitychange", () => {
  if (document.visibilityState === "hidden") writeAll();
});
