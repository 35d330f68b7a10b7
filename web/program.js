// The running program: one a name entered, with the name as its standard
// input and a canvas of its own, as running the viewer again does on the
// desktop.
import programScript from "psviewer:program";
import { wasm } from "psviewer:build";
import { say, write } from "./console.js";
import { oneWord, visible } from "./names.js";

// The program's script, Emscripten's, is a classic script: it is run as
// one for each program, and defines its createPsviewer. It is compiled
// once a visit, and each run of it is a program of its own. It sees a
// window and a document of its own, which are the page's but note the
// listeners the program adds through them: they are taken off when it
// ends, so that nothing of an ended program stays, its memory and GL
// context neither.
let compiledScript = null;
function programMaker(listeners) {
  const scoped = (object) => new Proxy(object, {
    get(target, key) {
      if (key === "addEventListener") {
        return (...args) => {
          listeners.push([target, args]);
          target.addEventListener(...args);
        };
      }
      const value = Reflect.get(target, key, target);
      // Methods are called on the object itself; constructors stay whole.
      return typeof value === "function" && !/^[A-Z]/.test(String(key))
        ? value.bind(target) : value;
    },
    set: (target, key, value) => Reflect.set(target, key, value, target),
  });
  compiledScript ??= new Function("window", "document",
    `${programScript}\nreturn createPsviewer;`);
  return compiledScript(scoped(window), scoped(document));
}

let canvas = document.getElementById("canvas");
let program = null;  // the running program, or null
let framesDrawn = 0;
// The time the last pass took, for edits to wait as long.
export let passTime = 0;

// Whether the browser draws WebGL, known once a program is made ready:
// its context is made then, and none is made only to look, which would cost
// nearly as much.
let webGL = null;
export function hasWebGL() {
  spare ??= prepare();
  return webGL;
}

// The program's WebAssembly, fetched (or, in the one-file page, carried)
// and compiled once a visit, then instantiated anew for every program.
let compiled = null;
export function programModule() {
  compiled ??= (wasm ? Promise.resolve(wasm) : fetch("psviewer.wasm").then((response) => {
    if (!response.ok) throw new Error(`psviewer.wasm: ${response.status}`);
    return response.arrayBuffer();
  })).then((bytes) => WebAssembly.compile(bytes));
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
export function store(name, bytes, module = program) {
  if (!module) return;
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

export function running() { return program; }

export function redraw() {
  if (program) program._glutPostRedisplay();
}

// Ends the program shown, as closing its window does: its main loop stops,
// and it draws and reads no more.
export function end() {
  const ending = program;
  program = null;
  if (!ending) return;
  release(ending);
  try {
    ending._emscripten_force_exit(0);
  } catch {
    // The program's end unwinds its stack with an exception of its own.
  }
}
// What an ended program held: its listeners, and its GL context, let go at
// once, not whenever its canvas is collected (a browser keeps only so many).
function release(module) {
  for (const [target, args] of module.listeners) target.removeEventListener(...args);
  module.listeners.length = 0;
  module.gl?.getExtension("WEBGL_lose_context")?.loseContext();
}

// A program made ready before its name is entered: its script run, its
// WebAssembly instantiated, its runtime started; only its main waits. Each
// start takes the one made ready, and the next is made once the browser is
// idle, so that Enter costs the program's main and its first pass alone.
let spare = null;
// The program's context is made before its name is entered, as its window
// asks for it: double-buffered, with no alpha, depth, stencil or
// multisampling.
const windowContext = { alpha: false, depth: false, stencil: false, antialias: false };
function prepare() {
  const listeners = [];
  // What the program is given once its name is entered.
  const given = { stdin: () => null, onFrame() {}, onExit() {} };
  const ready = { canvas: canvas.cloneNode(false), given };
  const gl = ready.canvas.getContext("webgl", windowContext);
  webGL = gl !== null;
  let passStart = 0;
  // The script is compiled while the WebAssembly is, the first time.
  const createProgram = programMaker(listeners);
  ready.made = programModule().then((wasmModule) => createProgram({
    canvas: ready.canvas,
    preinitializedWebGLContext: gl,
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasmModule, imports)
        .then((instance) => receive(instance, wasmModule));
      return {};
    },
    stdin: () => given.stdin(),
    stdout: write,
    stderr: write,
    // The time a pass takes, and the frames drawn, for whoever waits for
    // one (the tests do).
    preMainLoop() { passStart = performance.now(); },
    postMainLoop() {
      passTime = performance.now() - passStart;
      document.body.dataset.frames = ++framesDrawn;
      given.onFrame();
    },
    onExit() {
      release(ready.module);
      if (program !== ready.module) return;
      program = null;
      given.onExit();
    },
    preRun: [(m) => mendStreamFolder(m.FS)],
  })).then((module) => {
    // The GL state over that context is set up now too, with what the
    // window asks for; the window then finds it made for its canvas.
    module.createContext(ready.canvas, true, true, windowContext);
    module.listeners = listeners;
    module.gl = gl;
    ready.module = module;
    return module;
  });
  ready.made.catch(() => { if (spare === ready) spare = null; });  // said at the start
  return ready;
}
// Calls then once the browser is idle, or after timeout ms at most where
// one is given; a browser that cannot say when it is idle waits 100 ms.
export function whenIdle(then, timeout) {
  if (window.requestIdleCallback) requestIdleCallback(then, timeout && { timeout });
  else setTimeout(then, 100);
}
// None is made while a program starts, up to its first frame or its end:
// it would hold that frame up.
let starting = null;
function prepareSpare() {
  if (!starting) spare ??= prepare();
}
export function prepareWhenIdle() {
  whenIdle(prepareSpare);
}
// Calls then once the frame being drawn is on the screen, that is once the
// frame after the next begins, and the browser is idle: work that does not
// hold up that frame's showing.
export function whenShown(then, timeout) {
  requestAnimationFrame(() => requestAnimationFrame(() => whenIdle(then, timeout)));
}

// Starts a program that reads line, with pages in its files; resolves to
// whether it started. onFrame is called after each frame drawn, onExit when
// the program ends by itself.
export async function start(line, pages, { onFrame, onExit }) {
  const ready = spare ?? prepare();
  spare = null;
  starting = ready;
  // A new canvas for every program: its GL context is the program's own.
  canvas.replaceWith(ready.canvas);
  canvas = ready.canvas;
  let module = null;
  try {
    module = await ready.made;
  } catch (e) {
    say(`The viewer's program cannot be loaded: ${e.message || e}.\n`);
    if (starting === ready) starting = null;
    return false;
  }
  // The next program is made ready once this one's first frame is shown,
  // or once it has ended without one.
  const prepareNext = () => {
    if (starting !== ready) return;
    starting = null;
    whenShown(prepareSpare);
  };
  Object.assign(ready.given, {
    stdin: stdinOf(line),
    onFrame() { prepareNext(); onFrame(); },
    onExit() { prepareNext(); onExit(); },
  });
  for (const [page, bytes] of pages) store(page, bytes, module);
  program = module;
  module.callMain([]);
  return program === module;
}
