// The page's script: the console, the pages and their storage, the names
// a page may have, links, and the program that shows a page. It runs after
// psviewer.js, which defines createPsviewer; the one-file page also
// defines carriedPages, the sample pages it carries.
"use strict";
const examples = JSON.parse(document.getElementById("examples").textContent);
const field = document.getElementById("filename");
const consoleView = document.getElementById("console");
const editor = document.getElementById("source");
let canvas = document.getElementById("canvas");

// The pages the program can open, by name: the samples, the files chosen,
// and, where the browser keeps a handle on a file on disk, that file as it
// is at every redraw.
const pages = new Map();
const handles = new Map();
let program = null;  // the running program, or null
let shown = null;    // the name of the page it shows
let framesDrawn = 0;

// What the program writes, byte by byte, shown once a frame as UTF-8. As
// a terminal keeps a bounded scrollback, the console keeps its last lines
// only, and says how many went before them: hours of redraws that print
// keep the page's memory flat.
const scrollback = { lines: 10000, chars: 4 << 20 };
let pending = new Uint8Array(1 << 16);  // bytes not yet shown
let pendingLength = 0;
const decoder = new TextDecoder();
let kept = "";       // the console's text, its last lines
let keptLines = 0;   // the line ends in it
let dropped = 0;     // the lines dropped before it
function write(byte) {
  if (byte === null) return;
  if (pendingLength === 0) requestAnimationFrame(flush);
  if (pendingLength === pending.length) {
    const grown = new Uint8Array(2 * pending.length);
    grown.set(pending);
    pending = grown;
  }
  pending[pendingLength++] = byte;
}
// The line ends in a text, or in bytes (where newline is 10).
function countLines(text, newline = "\n") {
  let count = 0;
  for (let at = text.indexOf(newline); at >= 0; at = text.indexOf(newline, at + 1)) ++count;
  return count;
}
function flush() {
  let bytes = pending.subarray(0, pendingLength);
  // Output that cannot stay is counted, not decoded: a pass that prints
  // megabytes leaves less garbage behind. What fits in the bound from the
  // last whole lines stays, and nothing before them.
  const from = bytes.length > scrollback.chars
    ? bytes.indexOf(10, bytes.length - scrollback.chars) + 1 : 0;
  if (from > 0) {
    dropped += keptLines + countLines(bytes.subarray(0, from), 10);
    kept = "";
    keptLines = 0;
    decoder.decode();  // a character begun in what is dropped goes with it
    bytes = bytes.subarray(from);
  }
  const text = decoder.decode(bytes, { stream: true });
  pendingLength = 0;
  // A pass that printed much leaves no large buffer behind.
  if (pending.length > 1 << 20) pending = new Uint8Array(1 << 16);
  kept += text;
  keptLines += countLines(text);
  if (keptLines > scrollback.lines || kept.length > scrollback.chars) {
    // Whole lines go from the start, until both bounds hold.
    let cut = 0;
    while (keptLines > scrollback.lines || kept.length - cut > scrollback.chars) {
      const end = kept.indexOf("\n", cut);
      if (end < 0) { cut = kept.length - scrollback.chars; break; }
      cut = end + 1;
      --keptLines;
      ++dropped;
    }
    kept = kept.slice(cut);
  }
  consoleView.textContent = (dropped ? `[${dropped} earlier lines dropped: ` +
    `the console keeps the last ${scrollback.lines} lines]\n` : "") + kept;
  consoleView.scrollTop = consoleView.scrollHeight;
}
function say(text) {
  for (const byte of new TextEncoder().encode(text)) write(byte);
}

// Whether the browser draws WebGL, looked for once a visit: a context made
// only to look costs nearly as much as the program's own.
let webGL = null;
function hasWebGL() {
  if (webGL === null) {
    try {
      webGL = !!document.createElement("canvas").getContext("webgl");
    } catch {
      webGL = false;
    }
  }
  return webGL;
}

// The program's WebAssembly, fetched and compiled once a visit, then
// instantiated anew for every program. The one-file page's program carries
// its WebAssembly inside, and instantiates it itself.
let compiled = null;
function programModule() {
  if (typeof carriedPages !== "undefined") return Promise.resolve(null);
  compiled ??= fetch("psviewer.wasm").then((response) => {
    if (!response.ok) throw new Error(`psviewer.wasm: ${response.status}`);
    return response.arrayBuffer();
  }).then((bytes) => WebAssembly.compile(bytes));
  compiled.catch(() => { compiled = null; });  // the next name tries again
  return compiled;
}

// The program's standard input: the line typed, then the end of the
// input. When the program reads it the console shows the line after the
// prompt, as a terminal echoes what is typed.
function stdinOf(line) {
  const bytes = Array.from(new TextEncoder().encode(line + "\n"));
  let echoed = false;
  return () => {
    if (!echoed) say(line + "\n");
    echoed = true;
    return bytes.length ? bytes.shift() : null;
  };
}

// Puts a page into the running program's file system, folders and all.
// A name with blanks gets a link of one word too, which its button enters.
// A page that cannot be written there is said so, and stops nothing: the
// program and the other pages go on.
function store(module, name, bytes) {
  const folderOf = (path) => path.slice(0, Math.max(path.lastIndexOf("/"), 0));
  try {
    if (folderOf(name)) module.FS.mkdirTree(folderOf(name));
    module.FS.writeFile(name, bytes);
    const word = oneWord(name);
    if (word !== name && !module.FS.analyzePath(word).exists) {
      if (folderOf(word)) module.FS.mkdirTree(folderOf(word));
      module.FS.symlink("/" + name, word);
    }
  } catch (e) {
    say(`The page ${visible(name)} cannot be given to the viewer: ${e.message || e}.\n`);
  }
}

// The prompt takes the first word, as on the desktop, but a picked file's
// name comes from the user's system: "my page.ps", "page (1).ps". Such a
// name is also reached as one word, its blanks (and any %) written as %XX.
function oneWord(name) {
  if (!/\s/.test(name)) return name;
  return name.replace(/[\s%]/g, (c) => "%" + c.charCodeAt(0).toString(16).padStart(2, "0"));
}

// Emscripten's /proc/self/fd cannot be looked at, and its entries are not
// links, so that /proc/self/fd would be opened as an empty page and
// /proc/self/fd/0 not found. As on Linux, it becomes a folder, and its
// entries links to the streams' devices, which the program refuses to
// read. A file system that has these already is left as it is.
function mendStreamFolder(FS) {
  const folder = FS.lookupPath("/proc/self/fd").node;
  const { lookup, getattr } = folder.node_ops;
  if (getattr) return;
  const epoch = new Date(0);
  folder.node_ops = {
    getattr: () => ({ dev: 1, ino: folder.id, mode: folder.mode, nlink: 1, uid: 0,
      gid: 0, rdev: 0, size: 0, atime: epoch, mtime: epoch, ctime: epoch,
      blksize: 4096, blocks: 0 }),
    lookup: (parent, name) => {
      const entry = lookup(parent, name);
      entry.mode ??= 0o120777;  // a symbolic link
      return entry;
    },
  };
}

// A name as the page shows it: the characters that show nothing or turn
// the text around (controls, format characters such as U+202E) are written
// as [U+202E], so that a name cannot pass for another.
function visible(name) {
  return name.replace(/[\p{Cc}\p{Cf}\p{Zl}\p{Zp}]/gu,
    (c) => `[U+${c.codePointAt(0).toString(16).toUpperCase().padStart(4, "0")}]`);
}

// The folders the program's file system has of its own: no page lies in
// one.
const ownFolders = new Set(["bin", "dev", "home", "proc", "tmp"]);

// Why a name cannot be a page's, or null where it can. One rule holds for
// every way a page comes in (picked, dropped, linked, kept): the name must
// be a file that the program's file system can hold beside the pages it
// has, and be entered by a word no other page is entered by.
function whyRefused(name) {
  if (typeof name !== "string" || name === "" || name.includes("\0")) {
    return "it is no file's name";
  }
  const parts = name.split("/");
  if (parts.some((part) => part === "" || part === "." || part === "..")) {
    return "it names a folder, not a file";
  }
  if (ownFolders.has(parts[0])) return `the viewer keeps a folder ${parts[0]} of its own`;
  // The samples count from the start, before they have come in.
  const names = new Set([...examples, ...pages.keys()]);
  for (let i = 1; i < parts.length; ++i) {
    const through = parts.slice(0, i).join("/");
    if (names.has(through)) return `the page ${visible(through)} is no folder`;
  }
  for (const page of names) {
    if (page.startsWith(name + "/")) return "it is a folder of pages";
    if (page !== name && oneWord(page) === oneWord(name)) {
      return `the page ${visible(page)} is entered by the same word, ${visible(oneWord(name))}`;
    }
  }
  return null;
}
// Says why a name is refused, and whether it is.
function refused(name) {
  const why = whyRefused(name);
  if (why) say(`The file ${visible(String(name))} is not added: ${why}.\n`);
  return why !== null;
}

function redraw() {
  if (program) program._glutPostRedisplay();
}

// Ends the program shown, as closing its window does: its main loop stops,
// and it draws and reads no more.
function end() {
  applyEdit();
  const ending = program;
  program = null;
  shown = null;
  unlisten(ending);
  try {
    ending._emscripten_force_exit(0);
  } catch {
    // The program's end unwinds its stack with an exception of its own.
  }
}

// The program's GLUT listens on the window for keys and the mouse, and only
// an exit of its runtime, which this build leaves out, would stop it: each
// ended program's memory would stay. So the listeners its start adds are
// noted, and taken off when it ends.
function runNotingListeners(module) {
  const add = EventTarget.prototype.addEventListener;
  module.listeners = [];
  EventTarget.prototype.addEventListener = function (...args) {
    module.listeners.push([this, args]);
    return add.apply(this, args);
  };
  try {
    module.callMain([]);
  } finally {
    EventTarget.prototype.addEventListener = add;
  }
}
function unlisten(module) {
  for (const [target, args] of module.listeners) target.removeEventListener(...args);
  module.listeners = [];
}

async function start(line, name) {
  // A new canvas for every program: its GL context is the program's own.
  const fresh = canvas.cloneNode(false);
  canvas.replaceWith(fresh);
  canvas = fresh;
  field.disabled = true;
  editor.disabled = true;
  shown = null;
  await loaded;
  let wasm = null;
  try {
    wasm = await programModule();
  } catch (e) {
    say(`The viewer's program cannot be loaded: ${e.message || e}.\n`);
    field.disabled = false;
    return;
  }
  let module = null;
  module = await createPsviewer({
    canvas,
    ...(wasm && {
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
        return {};
      },
    }),
    stdin: stdinOf(line),
    stdout: write,
    stderr: write,
    // The time a pass takes, and the frames drawn, for whoever waits for
    // one (the tests do).
    preMainLoop() { passStart = performance.now(); },
    postMainLoop() {
      passTime = performance.now() - passStart;
      document.body.dataset.frames = ++framesDrawn;
    },
    // The program has ended by itself: another name may be typed.
    onExit() {
      unlisten(module);
      if (program !== module) return;
      program = null;
      shown = null;
      editor.disabled = true;
    },
    preRun: [(m) => {
      mendStreamFolder(m.FS);
      for (const [page, bytes] of pages) store(m, page, bytes);
    }],
  });
  program = module;
  field.disabled = false;
  runNotingListeners(module);
  const page = pageOf(name);
  if (program === module && pages.has(page)) {
    shown = page;
    showText(pages.get(page));
  }
  save.disabled = share.disabled = shown === null;
  link.hidden = true;
  // The name field had the focus, and lost it while it waited: it has it
  // again, unless the user has gone elsewhere meanwhile.
  if (!document.activeElement || document.activeElement === document.body) field.focus();
}

// The page a name leads to, as the program's file system resolves it from
// its folder, the root: "./a", "/a" and "b/../a" are "a", "a//b" is "a/b";
// a page's name as one word is that page.
function pageOf(name) {
  const parts = [];
  for (const part of name.split("/")) {
    if (part === "..") parts.pop();
    else if (part !== "" && part !== ".") parts.push(part);
  }
  const path = parts.join("/");
  if (pages.has(path)) return path;
  return [...pages.keys()].find((page) => oneWord(page) === path) ?? path;
}

// A page chosen by its name: the name goes in the field, as one word, and
// is entered.
function show(name) {
  field.value = oneWord(name);
  enter(field.value);
}

// A line typed and entered: the program shown ends, and a new one reads
// the line. Like the desktop's prompt, it takes the first word as the
// name, and waits while there is none.
function enter(line) {
  const name = line.trim().split(/\s+/)[0] || "";
  if (!name || field.disabled) return;
  if (!hasWebGL()) {
    say("This browser cannot draw the page: WebGL is off or missing.\n");
    return;
  }
  if (program) end();
  start(line, name);
}
field.addEventListener("keydown", (event) => {
  if (event.key === "Enter") enter(field.value);
});

// Each edit rewrites the file shown, and the next redraw reads it. A pass
// over a large page takes a while, so an edit waits until typing has
// paused for as long as the last pass took (up to a second): keys are not
// held up by passes over half-typed words, and the pass that runs reads
// the latest text. A page left meanwhile keeps the edit.
let passStart = 0;
let passTime = 0;
let edit = null;  // the edit waiting: its page, program and text
editor.addEventListener("input", () => {
  if (!program || shown === null) return;
  clearTimeout(edit?.timer);
  edit = { page: shown, module: program, text: editor.value };
  edit.timer = setTimeout(applyEdit, Math.min(passTime, 1000));
});
function applyEdit() {
  if (!edit) return;
  const { page, module, text } = edit;
  clearTimeout(edit.timer);
  edit = null;
  const bytes = new TextEncoder().encode(text);
  pages.set(page, bytes);
  touched.add(page);
  handles.delete(page);
  keep(page);
  if (module !== program) return;
  store(program, page, bytes);
  redraw();
}

// The editor holds the page shown, up to a size that a text area lays out
// at once: a larger page would hold up every frame. It holds text, so a
// page that is not UTF-8 is not put in it: its bytes would come back
// changed. A byte order mark stays the text's, and so the page's.
const editable = 1 << 20;
const utf8 = new TextDecoder("utf-8", { fatal: true, ignoreBOM: true });
function showText(bytes) {
  let text = null;
  let why = `This page is too large to edit here (${bytes.length} bytes).`;
  if (bytes.length <= editable) {
    try {
      text = utf8.decode(bytes);
    } catch {
      why = "This page is not UTF-8 text: it is shown, but not edited here, " +
        "so that its bytes stay as they are.";
    }
  }
  editor.disabled = text === null;
  editor.value = text ?? "";
  editor.placeholder = text === null ? why : "";
}

// The pages, one click each: the click puts the name in the field and
// enters it.
const list = document.getElementById("page-list");
function listPages() {
  list.replaceChildren(...[...pages.keys()].sort().map((name) => {
    const button = document.createElement("button");
    button.textContent = visible(name);
    button.addEventListener("click", () => show(name));
    const item = document.createElement("li");
    item.append(button);
    return item;
  }));
  document.body.dataset.pages = [...pages.keys()].join("\n");
}

// Adds a page, or replaces the one of its name; false where its name is
// refused. A page added or edited since the page opened is the user's
// latest: what a restore brings does not replace it.
const touched = new Set();
function addPage(name, bytes, byUser = true) {
  if (refused(name)) return false;
  pages.set(name, bytes);
  if (byUser) touched.add(name);
  listPages();
  if (program) store(program, name, bytes);
  if (name === shown) showText(bytes);
  return true;
}

// Files come in by the picker, or dropped anywhere on the page. Each comes
// in or is refused with a line, whatever the others do, and in the order
// they came: a file picked is read from disk, and one dropped after it
// while it is read waits for it.
let adding = Promise.resolve();
function addFiles(files) {
  adding = adding.catch(() => {}).then(() => addInOrder(files));
}
async function addInOrder(files) {
  for (const file of files) {
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (e) {
      say(`The file ${visible(file.name)} cannot be read: ${e.message || e}.\n`);
      continue;
    }
    if (!addPage(file.name, bytes)) continue;
    handles.delete(file.name);
    keep(file.name);
  }
  redraw();
}
// The picker is emptied once read, so that the same file picked again,
// changed on disk meanwhile, is read again.
document.getElementById("pages").addEventListener("change", (event) => {
  const files = [...event.target.files];
  event.target.value = "";
  addFiles(files);
});
document.addEventListener("dragover", (event) => event.preventDefault());
// A folder dropped among files is refused with a line; its files may be
// dropped themselves.
document.addEventListener("drop", (event) => {
  event.preventDefault();
  const files = [];
  for (const item of event.dataTransfer.items) {
    if (item.kind !== "file") continue;
    if (item.webkitGetAsEntry?.()?.isDirectory) {
      say(`The folder ${visible(item.getAsFile()?.name ?? "")} is not added: ` +
        "drop the pages in it instead.\n");
      continue;
    }
    const file = item.getAsFile();
    if (file) files.push(file);
  }
  addFiles(files);
});

// The page shown, as it is now, saved to a file of the user's.
const save = document.getElementById("save");
save.addEventListener("click", () => {
  const anchor = document.createElement("a");
  anchor.href = URL.createObjectURL(new Blob([pages.get(shown)]));
  anchor.download = shown.split("/").pop();
  anchor.click();
  setTimeout(() => URL.revokeObjectURL(anchor.href));
});

// A link that carries the page shown (up to 16 KB), its name and its
// bytes in the address's fragment, which no server sees: opening it shows
// that page.
const shareable = 16 << 10;
const share = document.getElementById("share");
const link = document.getElementById("link");
share.addEventListener("click", () => {
  const bytes = pages.get(shown);
  link.hidden = false;
  if (bytes.length > shareable) {
    link.value = `This page is too large for a link (over ${shareable} bytes).`;
    return;
  }
  link.value = `${location.href.split("#")[0]}#name=${encodeURIComponent(shown)}` +
    `&page=${base64(bytes).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "")}`;
  link.select();
});
// A link never replaces a page silently: a different page under a taken
// name comes in under a new one, "name (2).ps", and the console says so.
let linkOpened = "";
function openLink() {
  if (location.hash === linkOpened) return;
  linkOpened = location.hash;
  const fields = new URLSearchParams(location.hash.slice(1));
  const text = fields.get("page");
  if (text === null) return;
  const bytes = pageOfRecord(text.replace(/-/g, "+").replace(/_/g, "/"));
  if (!bytes) {
    say("The link holds no page that can be read.\n");
    return;
  }
  let name = fields.get("name") || "shared.ps";
  if (pages.has(name) && !sameBytes(pages.get(name), bytes)) {
    const taken = name;
    name = freeName(name);
    say(`The link's page ${visible(taken)} comes in as ${visible(name)}: ` +
      "another page has its name.\n");
  }
  if (addPage(name, bytes)) show(name);
}
// A link opened in a tab that shows the viewer already is followed too,
// once the samples and the kept pages are there.
window.addEventListener("hashchange", () => loaded.then(openLink));
function sameBytes(a, b) {
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}
// "name (2).ps", or the first of (3), (4)... that no page has.
function freeName(name) {
  const dot = name.lastIndexOf(".");
  const cut = dot > name.lastIndexOf("/") + 1 ? dot : name.length;
  for (let n = 2; ; ++n) {
    const free = `${name.slice(0, cut)} (${n})${name.slice(cut)}`;
    if (!pages.has(free) && (whyRefused(free) === null || n > 1000)) return free;
  }
}

// The pages chosen and edited are kept in the browser's storage, one
// record a page, so that a reload finds them again, and two tabs each
// write only the pages they changed: those up to the size the editor
// takes, as far as the storage holds them (a few MB). What comes back is
// checked: a record that is not a page is dropped with a line. Storage may
// be missing altogether (a browser's privacy settings): nothing is kept.
const recordPrefix = "psviewer-page:";
const oldRecord = "psviewer-pages";  // all pages in one, as 1.2 kept them
const waiting = new Set();           // changed here, not yet written
let keeping = null;
function base64(bytes) {
  let text = "";
  for (let at = 0; at < bytes.length; at += 0x8000) {
    text += String.fromCharCode(...bytes.subarray(at, at + 0x8000));
  }
  return btoa(text);
}
function unbase64(text) {
  return Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
}
// A record's page, or null where the record holds none.
function pageOfRecord(text) {
  try {
    return typeof text === "string" ? unbase64(text) : null;
  } catch {
    return null;
  }
}
// Typing keeps the page once it pauses, not at every key.
function keep(name) {
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
      if (bytes && bytes.length <= editable) {
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
// the page opened, which are the user's latest.
function restore() {
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
  if (!bytes || waiting.has(name) || edit?.page === name) return;
  if (addPage(name, bytes, false) && name === shown) redraw();
});
// A page left or hidden writes what is waiting, the edit typed last too.
function writeAll() {
  applyEdit();
  writeWaiting();
}
window.addEventListener("pagehide", writeAll);
document.addEventListener("visibilitychange", () => {
  if (document.visibilityState === "hidden") writeAll();
});

// Chromium lets a page keep a handle on a file on disk: such a page is read
// again whenever that file changes, so that an edit saved in another editor
// shows, as on the desktop. Like the desktop's viewer, the page looks at
// the files a few times a second, and when it is shown again.
const live = document.getElementById("pages-live");
if ("showOpenFilePicker" in window) {
  live.hidden = false;
  live.addEventListener("click", async () => {
    for (const handle of await window.showOpenFilePicker({ multiple: true })) {
      if (!refused(handle.name)) handles.set(handle.name, handle);
    }
    await reread();
  });
  setInterval(reread, 200);
}
// The time and size each file had when it was last read; a file missing for
// a moment, as while some editors save, is read when it is back.
const readAs = new Map();
let rereading = false;
async function reread() {
  if (rereading) return;
  rereading = true;
  let changed = false;
  for (const [name, handle] of handles) {
    const file = await handle.getFile().catch(() => null);
    const status = file && `${file.lastModified} ${file.size}`;
    if (!file || readAs.get(handle) === status) continue;
    // A file changed while it is read is read again at the next look.
    const bytes = await file.arrayBuffer().then((b) => new Uint8Array(b), () => null);
    if (!bytes || handles.get(name) !== handle) continue;  // edited here meanwhile
    readAs.set(handle, status);
    changed = addPage(name, bytes) || changed;
  }
  rereading = false;
  if (changed) redraw();
}
document.addEventListener("visibilitychange", () => {
  if (document.visibilityState === "visible") reread();
});

// The sample pages, as the server has them (one it lacks is not there),
// or, in the one-file page, which can fetch nothing, as the page carries
// them; then the pages kept from the last visit, edited samples among them.
const carried = typeof carriedPages === "undefined" ? {} : carriedPages;
const loaded = Promise.all(examples.map(async (name) => {
  if (name in carried) {
    addPage(name, Uint8Array.from(carried[name].match(/../g) || [], (hex) => parseInt(hex, 16)),
      false);
    return;
  }
  const response = await fetch(name).catch(() => null);
  if (response?.ok) addPage(name, new Uint8Array(await response.arrayBuffer()), false);
})).then(restore);
loaded.then(openLink);
// What every program needs is made ready while the page is read, so that
// Enter starts the program at once: the WebAssembly compiled, WebGL looked
// for.
programModule().catch(() => {});  // said when a name is entered
hasWebGL();
