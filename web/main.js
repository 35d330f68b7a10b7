// The page: a name typed or a page's button clicked shows that page in a
// new program; files come in by the picker or dropped; the page shown is
// edited, saved, and linked to.
import { samples } from "psviewer:build";
import { say, unsupported, whenUnsupported } from "./console.js";
import { hideLink, openLink, showLink } from "./links.js";
import { oneWord, pageOf, visible } from "./names.js";
import { addPage, hooks, keep, pages, refused, restore, touched } from "./pages.js";
import {
  end, hasWebGL, passTime, prepareWhenIdle, programModule, redraw, running, start, store,
  whenShown,
} from "./program.js";

const field = document.getElementById("filename");
const list = document.getElementById("page-list");
const save = document.getElementById("save");
const share = document.getElementById("share");
let shown = null;  // the name of the page the program shows
// The pages kept in step with a file on disk, by name.
const handles = new Map();

// The editor's code loads once the first frame is shown and the browser is
// idle, so that it holds up no frame; what it is to show meanwhile waits
// for it.
let editor = null;
let editorLoading = null;
let editorShows = null;
function loadEditor() {
  if (editorLoading) return;
  editorLoading = new Promise((resolve) => whenShown(resolve, 500))
    .then(() => import("./editor.js"))
    .then(({ createEditor }) => {
      editor = createEditor(document.getElementById("editor"), { onEdit, words: unsupported });
      if (editorShows) editor.show(editorShows);
    });
}
function showText(bytes) {
  editorShows = bytes;
  editor?.show(bytes);
}
whenUnsupported(() => editor?.marksChanged());

// A page that comes in or changes is listed, given to the program, and,
// where it is the page shown, shown and drawn again.
hooks.changed = (name, bytes) => {
  listPages();
  store(name, bytes);
  if (name === shown) {
    showText(bytes);
    redraw();
  }
};
hooks.editing = (name) => edit?.page === name;
hooks.beforeLeaving = () => applyEdit();

// The pages, one click each: the click puts the name in the field and
// enters it.
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

// A page chosen by its name: the name goes in the field, as one word, and
// is entered.
function show(name) {
  field.value = oneWord(name);
  enter(field.value);
}

// A line typed and entered: the program shown ends, and a new one reads
// the line. Like the desktop's prompt, it takes the first word as the
// name, and waits while there is none.
async function enter(line) {
  const name = line.trim().split(/\s+/)[0] || "";
  if (!name || field.disabled) return;
  if (!hasWebGL()) {
    say("This browser cannot draw the page: WebGL is off or missing.\n");
    return;
  }
  applyEdit();
  end();
  shown = null;
  field.disabled = true;
  editor?.disable();
  await restored;  // the page named may be a kept one
  const started = await start(line, pages, {
    onFrame: loadEditor,
    // The program has ended by itself: another name may be typed.
    onExit() {
      shown = null;
      editor?.disable();
    },
  });
  field.disabled = false;
  const page = pageOf(name, pages);
  if (started && pages.has(page)) {
    shown = page;
    showText(pages.get(page));
  }
  save.disabled = share.disabled = shown === null;
  hideLink();
  // The name field had the focus, and lost it while it waited: it has it
  // again, unless the user has gone elsewhere meanwhile.
  if (!document.activeElement || document.activeElement === document.body) field.focus();
}
field.addEventListener("keydown", (event) => {
  if (event.key === "Enter") enter(field.value);
});

// Each edit rewrites the file shown, and the next redraw reads it, at once
// where the last pass took less than a frame. A longer pass would hold up
// the keys typed while it runs, so an edit waits until typing has paused:
// for half a second, or as long as the last pass took (up to a second).
// Keys are not held up by passes over half-typed words, and the pass that
// runs reads the latest text. A page left meanwhile keeps the edit.
let edit = null;  // the edit waiting: its page, program and text
function onEdit(doc) {
  if (!running() || shown === null) return;
  clearTimeout(edit?.timer);
  edit = { page: shown, module: running(), doc };
  edit.timer = setTimeout(applyEdit,
    passTime < 16 ? passTime : Math.min(Math.max(passTime, 500), 1000));
}
function applyEdit() {
  if (!edit) return;
  const { page, module, doc } = edit;
  clearTimeout(edit.timer);
  edit = null;
  const bytes = new TextEncoder().encode(doc.toString());
  pages.set(page, bytes);
  touched.add(page);
  handles.delete(page);
  keep(page);
  if (module !== running()) return;
  store(page, bytes);
  redraw();
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
// changed on disk meanwhile, is read again. Files picked before this
// script ran come in too.
const picker = document.getElementById("pages");
function addPicked() {
  const files = [...picker.files];
  picker.value = "";
  if (files.length) addFiles(files);
}
picker.addEventListener("change", addPicked);
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
save.addEventListener("click", () => {
  applyEdit();
  const anchor = document.createElement("a");
  anchor.href = URL.createObjectURL(new Blob([pages.get(shown)]));
  anchor.download = shown.split("/").pop();
  anchor.click();
  setTimeout(() => URL.revokeObjectURL(anchor.href));
});
share.addEventListener("click", () => {
  applyEdit();
  showLink(shown);
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
  for (const [name, handle] of handles) {
    const file = await handle.getFile().catch(() => null);
    const status = file && `${file.lastModified} ${file.size}`;
    if (!file || readAs.get(handle) === status) continue;
    // A file changed while it is read is read again at the next look.
    const bytes = await file.arrayBuffer().then((b) => new Uint8Array(b), () => null);
    if (!bytes || handles.get(name) !== handle) continue;  // edited here meanwhile
    readAs.set(handle, status);
    addPage(name, bytes);
  }
  rereading = false;
}
document.addEventListener("visibilitychange", () => {
  if (document.visibilityState === "visible") reread();
});

// The sample pages the page carries, then the pages kept from the last
// visit, edited samples among them, and the page of the link opened.
for (const [name, bytes] of Object.entries(samples)) addPage(name, bytes, false);
addPicked();
const restored = restore();
restored.then(() => openLink(show));
// A link opened in a tab that shows the viewer already is followed too.
window.addEventListener("hashchange", () => restored.then(() => openLink(show)));
// What every program needs is made ready while the page is read, so that
// Enter starts the program at once: the WebAssembly compiled, then a
// program with its WebGL context.
programModule().catch(() => {});  // said when a name is entered
prepareWhenIdle();
