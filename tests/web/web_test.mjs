// The web viewer in Debian's headless Chromium, Firefox and WebKitGTK, each
// drawing with Mesa's llvmpipe, driven as a user drives it: pages chosen in the file picker, a name typed
// and Enter pressed, the page's text edited. On every page of tests/cases
// and examples its console must be the Linux program's, pass for pass, and
// its canvas the Linux window, pixel for pixel.
// Environment: PSVIEWER_WEB_SITE (build-web/site), PSVIEWER_ONE_FILE (the
// one-file page beside it), PSVIEWER_SCREENSHOT (the
// screenshot tool over the Linux program), PSVIEWER_CASES_DIR,
// PSVIEWER_EXAMPLES_DIR, CHROMIUM (the browser's program) and, where they
// are found, FIREFOX, and WEBKIT_DRIVER and MINIBROWSER (WebKitGTK's), in
// which every page is shown too.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync }
  from "node:fs";
import { request } from "node:http";
import { createRequire } from "node:module";
import { tmpdir } from "node:os";
import { basename, join } from "node:path";
import { pathToFileURL } from "node:url";
import { after, before, test } from "node:test";
import { PNG } from "pngjs";
import { By, Key } from "selenium-webdriver";
import { choose, chooseInWebKit, launchChromium, launchFirefox, launchWebKit } from "./engines.mjs";
import { serve } from "../../web/serve.mjs";

const env = process.env;
const work = mkdtempSync(join(tmpdir(), "psviewer-web-"));
const pagesOf = (folder) =>
  readdirSync(folder).filter((name) => name.endsWith(".ps")).sort()
    .map((name) => join(folder, name));
const cases = pagesOf(env.PSVIEWER_CASES_DIR);
const examples = pagesOf(env.PSVIEWER_EXAMPLES_DIR);

// The window's title, from the tests' one home for it.
const viewerTitle = readFileSync(join(env.PSVIEWER_CASES_DIR, "../expected.h"), "latin1")
  .match(/viewerTitle\[\] = "([^"]*)"/)[1];

const launch = (extra) => launchChromium(env.CHROMIUM, extra);

// puppeteer-core drives Firefox over WebDriver BiDi from the ESR after 115
// on (140 and 153 tried); an older one lacks commands it sends.
const firefoxMajor = env.FIREFOX ? Number(execFileSync(env.FIREFOX, ["--version"])
  .toString().match(/(\d+)\./)?.[1] || 0) : 0;
const firefoxSkip = !env.FIREFOX ? "no Firefox here"
  : firefoxMajor < 128 ? `Firefox ${firefoxMajor} is older than 128` : false;

const webkitSkip = env.WEBKIT_DRIVER && env.MINIBROWSER ? false : "no WebKitWebDriver here";
const skipOf = { Chromium: false, Firefox: firefoxSkip, WebKit: webkitSkip };

let site;
let browser;
const engines = {};
before(async () => {
  site = await serve(env.PSVIEWER_WEB_SITE);
  browser = engines.Chromium = await launch();
  if (!firefoxSkip) engines.Firefox = await launchFirefox(env.FIREFOX);
  if (!webkitSkip) engines.WebKit = await launchWebKit(env.WEBKIT_DRIVER, env.MINIBROWSER);
});
after(async () => {
  for (const engine of Object.values(engines)) await engine.close();
  site?.server.close();
});

// A fresh page of the site, in a context of its own (its storage empty);
// any error thrown in it fails the test.
async function open(which = browser, address = site.url) {
  const context = await which.createBrowserContext();
  const page = await context.newPage();
  page.close = () => context.close();
  if (which === browser) await page.setViewport({ width: 1300, height: 900 });
  page.errors = [];
  page.on("pageerror", (error) => page.errors.push(error.message));
  await page.goto(address);
  return page;
}

const frames = (page) =>
  page.$eval("body", (body) => Number(body.dataset.frames || 0));

// Types the name and presses Enter, then waits for the program's first
// frame to be on the screen, and the editor, which loads after it.
async function enter(page, name, timeout = 30000) {
  const before = await frames(page);
  await page.click("#filename", { clickCount: 3 });
  await page.type("#filename", name);
  await page.keyboard.press("Enter");
  await page.waitForFunction((n) => Number(document.body.dataset.frames || 0) > n &&
    document.getElementById("source"), { timeout }, before);
  await shown(page);
}

// Resolves once what was drawn has been put on the screen.
const shown = (page) => page.evaluate(() =>
  new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve))));

const consoleText = (page) => page.$eval("#console", (pre) => pre.textContent);

async function canvasPixels(page) {
  const canvas = await page.$("#canvas");
  return PNG.sync.read(Buffer.from(await canvas.screenshot()));
}

// The Linux program's window and console for a page, from the screenshot
// tool, which runs it in an Xvfb of its own.
function linux(path) {
  const png = join(work, basename(path) + ".png");
  const console = execFileSync(env.PSVIEWER_SCREENSHOT, [path, png],
    { stdio: ["ignore", "pipe", "ignore"] });
  return { console: console.toString("latin1"), image: PNG.sync.read(readFileSync(png)) };
}

// The shortest text whose repetitions make up text: one redraw's output.
function onePass(text) {
  for (let length = 1; length <= text.length; ++length) {
    if (text.length % length === 0 &&
        text.slice(0, length).repeat(text.length / length) === text) {
      return text.slice(0, length);
    }
  }
  return text;
}

// Both consoles are the prompt, then one or more whole passes of the page,
// the same pass; the browser's echoes the name typed after its prompt, as
// a terminal does. The browser's console is UTF-8 text; the desktop's
// bytes are compared as they would be decoded there.
function assertSameConsole(web, desktop, typed) {
  assert.ok(desktop.startsWith("Filename: "), desktop);
  const prompt = `Filename: ${typed}\n`;
  assert.ok(web.startsWith(prompt), web);
  const pass = new TextDecoder().decode(
    Buffer.from(onePass(desktop.slice(10)), "latin1"));
  assert.equal(onePass(web.slice(prompt.length)), pass);
}

// Every channel of every pixel; the canvas is opaque, so alpha is too.
function assertSamePixels(web, desktop) {
  assert.equal(web.width, desktop.width);
  assert.equal(web.height, desktop.height);
  let differ = 0;
  for (let i = 0; i < web.data.length; i += 4) {
    if (web.data.subarray(i, i + 4).some((value, c) => value !== desktop.data[i + c])) ++differ;
  }
  assert.equal(differ, 0, `${differ} pixels differ from the Linux window`);
}

// No error was thrown in the page, where the engine's driver reports them.
function noPageErrors(t, engine, seen) {
  if (seen.errors) assert.deepEqual(seen.errors, []);
  else t.diagnostic(`page errors not checked: ${engine}'s driver reports none`);
}

// Shows a page in an engine as a user would: the file picked (where it is
// no sample), its name typed and Enter pressed; then reads back what the
// page shows once the first frame is on the screen.
async function show(engine, name, path, address = site.url) {
  if (engine === "WebKit") return showInWebKit(name, path, address);
  const page = await open(engines[engine], address);
  if (path) await choose(page, [path]);
  await enter(page, name);
  const seen = { console: await consoleText(page), image: await canvasPixels(page),
    editor: await page.$eval("#source", (area) => [area.disabled, area.value]),
    title: await page.title(), errors: page.errors };
  await page.close();
  return seen;
}

// The same in WebKit, over classic WebDriver, one window for every page,
// its storage cleared. It has no page errors to listen to, and its
// screenshot of an element misses the canvas's top rows (the top 98 come
// back black), so the canvas is cut out of a screenshot of the view.
async function showInWebKit(name, path, address) {
  const driver = engines.WebKit;
  const run = (script, ...args) => driver.executeScript(script, ...args);
  await driver.get(address);
  await run("localStorage.clear(); indexedDB.deleteDatabase('psviewer')");
  await driver.navigate().refresh();
  if (path) await chooseInWebKit(driver, path, 30000);
  await driver.findElement(By.id("filename")).sendKeys(name, Key.ENTER);
  await driver.wait(() => run("return Number(document.body.dataset.frames || 0) > 0 &&" +
    "!!document.getElementById('source')"), 30000);
  // The canvas in view, and two frames for the view to show it.
  await run("document.getElementById('canvas').scrollIntoView()");
  await driver.executeAsyncScript("requestAnimationFrame(() => " +
    "requestAnimationFrame(() => setTimeout(arguments[0])))");
  const [x, y, width, height] = await run("const canvas = document.getElementById('canvas');" +
    "const box = canvas.getBoundingClientRect();" +
    "return [box.x, box.y, box.width, box.height].map((n) => Math.round(n * devicePixelRatio))");
  const view = PNG.sync.read(Buffer.from(await driver.takeScreenshot(), "base64"));
  const image = new PNG({ width, height });
  PNG.bitblt(view, image, x, y, width, height, 0, 0);
  return { console: await run("return document.getElementById('console').textContent"),
    image, editor: await run("const area = document.getElementById('source');" +
      "return [area.disabled, area.value]"), title: await driver.getTitle(), errors: null };
}

for (const engine of ["Chromium", "Firefox", "WebKit"]) for (const path of [...examples, ...cases]) {
  const name = path.startsWith(env.PSVIEWER_EXAMPLES_DIR)
    ? "examples/" + basename(path) : basename(path);
  test(`${engine}: ${name} shows what the Linux program shows`, { skip: skipOf[engine] }, async (t) => {
    const desktop = linux(path);
    const seen = await show(engine, name, name.startsWith("examples/") ? null : path);
    assertSameConsole(seen.console, desktop.console, name);
    assertSamePixels(seen.image, desktop.image);
    // The editor holds the page's text, or, where it is not UTF-8, nothing.
    const bytes = readFileSync(path);
    const text = new TextDecoder("utf-8", { ignoreBOM: true }).decode(bytes);
    assert.deepEqual(seen.editor,
      Buffer.from(text).equals(bytes) ? [false, text.replace(/\r\n?/g, "\n")] : [true, ""]);
    noPageErrors(t, engine, seen);
    assert.equal(seen.title, viewerTitle);
  });
}

test("names that are no page are reported as on the desktop, then a page shows", async () => {
  const page = await open();
  let expected = "";
  for (const [name, message] of [["no-such-page.ps", "Can't find file"],
    ["tmp", "Can't read file"], ["/dev/null", "Can't read file"],
    ["/proc/self/fd", "Can't read file"], ["/proc/self/fd/0", "Can't read file"]]) {
    await page.click("#filename", { clickCount: 3 });
    await page.type("#filename", name);
    await page.keyboard.press("Enter");
    expected += `Filename: ${name}\n${message}: ${name}\n`;
    await page.waitForFunction((text) => document.getElementById("console").textContent ===
      text && !document.getElementById("filename").disabled, {}, expected);
  }
  await enter(page, "examples/sample.ps");
  assert.ok((await consoleText(page)).startsWith(expected +
    "Filename: examples/sample.ps\nStack before add: "));
  assert.deepEqual(page.errors, []);
  await page.close();
});

test("an edit in the editor shows at the next redraw", async () => {
  const edited = join(env.PSVIEWER_EXAMPLES_DIR, "arithmetic.ps");
  const desktop = linux(edited);
  const pass = onePass(desktop.console.slice(10));
  const page = await open();
  await enter(page, "./examples//sample.ps");
  // The word the program said it does not support is marked where it stands.
  await page.waitForFunction(() => [...document.querySelectorAll("#source .cm-unsupported")]
    .map((mark) => mark.textContent).join() === "showpage");
  await page.click("#source");
  await page.keyboard.down("Control");
  await page.keyboard.press("a");
  await page.keyboard.up("Control");
  await page.keyboard.type(readFileSync(edited, "latin1"));
  await page.waitForFunction((text) =>
    document.getElementById("console").textContent.endsWith(text), {}, pass);
  await shown(page);
  assertSamePixels(await canvasPixels(page), desktop.image);
  // The edit is kept: a reload has it.
  const typed = readFileSync(edited, "latin1");
  await page.reload();
  await enter(page, "examples/sample.ps");
  assert.equal(await page.$eval("#source", (area) => area.value), typed);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test("a page kept in step with a file on disk shows each save, and only then", async () => {
  const page = await open();
  // The file on disk as Chromium's handle gives it; its text and time are the test's.
  await page.evaluate(() => {
    window.disk = { text: "100 600 moveto a\n", time: 1 };
    window.showOpenFilePicker = async () => [{ name: "kept.ps", getFile: async () =>
      new File([window.disk.text], "kept.ps", { lastModified: window.disk.time }) }];
  });
  await page.click("#pages-live");
  await enter(page, "kept.ps");
  const before = await frames(page);
  await page.evaluate(() => { window.disk = { text: "600 100 moveto b\n", time: 2 }; });
  await page.waitForFunction(() => document.getElementById("console").textContent
    .endsWith("Operator: b not supported\n"), { timeout: 1000 });
  await new Promise((resolve) => setTimeout(resolve, 1000));
  assert.equal(await frames(page), before + 1);
  await page.close();
});

test("typing into a page of long passes runs one pass, over the latest text", async () => {
  const heavy = join(work, "heavy.ps");
  writeFileSync(heavy, "1\n".repeat(2000) + "add\n".repeat(2000));  // 8 M characters a pass
  const page = await open();
  await choose(page, [heavy]);
  await enter(page, "heavy.ps");
  await page.click("#source");
  await page.keyboard.down("Control");
  await page.keyboard.press("End");
  await page.keyboard.up("Control");
  const before = await frames(page);
  await page.keyboard.type("frame", { delay: 100 });
  await page.waitForFunction(() => document.getElementById("console").textContent
    .includes("Operator: frame not supported"));
  assert.equal(await frames(page), before + 1);
  // The lines kept and those said to be dropped are the prompt's and two
  // passes': 1,999 adds traced in 4 lines, the last add in 3, and frame's.
  const [note, ...lines] = (await consoleText(page)).split("\n");
  assert.equal(Number(note.match(/^\[(\d+) earlier lines dropped/)[1]) + lines.length - 1,
    1 + 7999 + 8000);
  await page.close();
});

test("a page of a million lines is drawn", async () => {
  const big = join(work, "million.ps");
  let text = "";
  for (let i = 0; i < 1000000; ++i) text += `${i % 612} ${(i * 7) % 792} moveto stroke\n`;
  writeFileSync(big, text + "done\n");
  const page = await open();
  await choose(page, [big]);
  await enter(page, "million.ps", 300000);
  assert.equal(await consoleText(page),
    "Filename: million.ps\nOperator: done not supported\n");
  // No size switches editing off.
  assert.deepEqual(await page.$eval("#source", (area) => [area.disabled, area.value.length]),
    [false, text.length + 5]);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test("without WebGL the console says so, and nothing is thrown", async () => {
  const plain = await launch(["--disable-webgl", "--disable-3d-apis"]);
  try {
    const page = await open(plain);
    await page.type("#filename", "examples/sample.ps");
    await page.keyboard.press("Enter");
    await page.waitForFunction(() =>
      document.getElementById("console").textContent.includes("WebGL"));
    assert.equal(await consoleText(page),
      "This browser cannot draw the page: WebGL is off or missing.\n");
    assert.deepEqual(page.errors, []);
  } finally {
    await plain.close();
  }
});

test("another name, entered or clicked, ends the page shown and shows its own", async () => {
  const desktop = linux(join(env.PSVIEWER_EXAMPLES_DIR, "shapes.ps"));
  const page = await open();
  await page.focus("#filename");
  await page.keyboard.press("Enter");  // no name yet: nothing starts
  assert.equal(await page.$eval("#filename", (field) => field.disabled), false);
  await enter(page, "examples/sample.ps");
  // An ended program leaves no listener on the window or the document to
  // hold its memory, and its GL context is let go.
  await page.evaluate(() => { window.endedGL = document.getElementById("canvas").getContext("webgl"); });
  const session = await page.createCDPSession();
  const listeners = async () => (await Promise.all(["window", "document"].map(async (expression) =>
    (await session.send("DOMDebugger.getEventListeners", { objectId: (await session.send(
      "Runtime.evaluate", { expression })).result.objectId })).listeners.length))).join();
  const listening = await listeners();
  const before = await frames(page);
  await page.click("::-p-text(examples/shapes.ps)");
  await page.waitForFunction((n) => Number(document.body.dataset.frames) > n, {}, before);
  await shown(page);
  const [first, second] = (await consoleText(page)).split(/(?=Filename: examples\/shapes)/);
  assert.match(first, /^Filename: examples\/sample.ps\nStack before add: /);
  assertSameConsole(second, desktop.console, "examples/shapes.ps");
  assertSamePixels(await canvasPixels(page), desktop.image);
  assert.equal(await listeners(), listening);
  assert.equal(await page.evaluate(() => window.endedGL.isContextLost()), true);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test("files picked or dropped come in, but one named as the viewer's folders", async () => {
  mkdirSync(join(work, "clash"));
  writeFileSync(join(work, "clash", "tmp"), "1 2 add\n");
  const page = await open();
  await (await page.$("#pages")).uploadFile(join(work, "clash", "tmp"));
  await page.evaluate(() => {
    const data = new DataTransfer();
    for (const name of ["examples", "dropped.ps", "my page (1).ps"]) {
      data.items.add(new File(["1 2 add\n"], name));
    }
    document.body.dispatchEvent(new DragEvent("drop", { dataTransfer: data, bubbles: true }));
  });
  await page.waitForFunction(() => document.body.dataset.pages.includes("dropped.ps"));
  await enter(page, "dropped.ps");
  // A name with blanks is one click away, entered as one word.
  await page.click('::-p-text("my page (1).ps")');
  await page.waitForFunction(() =>
    document.getElementById("console").textContent.includes("(1).ps\nStack before add"));
  assert.match(await consoleText(page), new RegExp("^The file tmp is not added: .*\n" +
    "The file examples is not added: .*\nFilename: dropped.ps\nStack before add: .*" +
    "Filename: my%20page%20\\(1\\).ps\nStack before add: ", "s"));
  assert.deepEqual(page.errors, []);
  await page.close();
});

test("the console keeps its last 10000 lines, and says how many went before", async () => {
  const chatty = join(work, "chatty.ps");
  writeFileSync(chatty, "0\n" + "1 add\n".repeat(3000));  // 12000 lines a pass
  const page = await open();
  await choose(page, [chatty]);
  await enter(page, "chatty.ps");
  const lines = (await consoleText(page)).split("\n");
  assert.equal(lines.length, 10002);  // the note, 10000 lines, and the end
  assert.match(lines[0], /^\[\d+ earlier lines dropped/);
  assert.deepEqual(lines.slice(-5),
    ["Stack before add: ", "[1 2999 ]", "Stack after add: ", "[3000 ]", ""]);
  await page.close();
});

// Sends one request to the site's server, and resolves to its status.
const ask = (method, path) => new Promise((resolve, reject) => {
  const { hostname, port } = new URL(site.url);
  request({ hostname, port, method, path, timeout: 5000 }, (response) => {
    response.resume();
    resolve(response.statusCode);
  }).on("timeout", function () { this.destroy(new Error("no answer")); })
    .on("error", reject).end();
});

test("the server answers what it cannot serve, and goes on serving", async () => {
  const requests = [["GET", "/%", 400], ["GET", "/%E0%A4%A", 400],
    ["GET", "/a%00b", 400], ["GET", "/../../etc/passwd", 404],
    ["GET", "/..%2f..%2fetc%2fpasswd", 404], ["GET", "/examples", 404],
    ["POST", "/", 405], ["DELETE", "/", 405], ["OPTIONS", "/", 405],
    ["HEAD", "/", 200], ["GET", "/examples/sample.ps", 200],
    ...Array(6).fill(["GET", "/pipe.ps", 404]), ["GET", "/examples/sample.ps", 200]];
  execFileSync("mkfifo", [join(env.PSVIEWER_WEB_SITE, "pipe.ps")]);
  try {
    for (const [method, path, status] of requests) {
      assert.equal(await ask(method, path), status, `${method} ${path}`);
    }
  } finally {
    rmSync(join(env.PSVIEWER_WEB_SITE, "pipe.ps"));
  }
});

// Every way a page comes in, as a user or another page brings it.
const waysIn = {
  drop: (page, name, text) => page.evaluate((name, text) => {
    const data = new DataTransfer();
    data.items.add(new File([text], name));
    document.body.dispatchEvent(new DragEvent("drop", { dataTransfer: data, bubbles: true }));
  }, name, text),
  link: (page, name, text) => page.goto(`${site.url}#name=${encodeURIComponent(name)}` +
    `&page=${Buffer.from(text).toString("base64url")}`),
  storage: (page, name, text) =>
    keptBefore(page, `psviewer-page:${name}`, Buffer.from(text).toString("base64")),
};
// Opens the viewer with a value in its storage (localStorage's key, or,
// for "db:NAME", the database's record, as JSON), put there from another
// document of the site, so that no viewer's restore is under way meanwhile.
async function keptBefore(page, key, value) {
  await page.goto(`${site.url}no-such-document`);
  await page.evaluate((key, value) => key.startsWith("db:") ? new Promise((done) => {
    const request = indexedDB.open("psviewer", 1);
    request.onupgradeneeded = () => request.result.createObjectStore("pages");
    request.onsuccess = () => {
      const writing = request.result.transaction("pages", "readwrite");
      writing.objectStore("pages").put(JSON.parse(value), key.slice(3));
      writing.oncomplete = () => done(request.result.close());
    };
  }) : localStorage.setItem(key, value), key, value);
  await page.goto(site.url);
}
const consoleHas = (page, text) => page.waitForFunction((text) =>
  document.getElementById("console").textContent.includes(text), {}, text);

test("a name the viewer's files cannot hold is refused, however it comes in", async () => {
  for (const name of ["proc/self", "home/web_user", "examples/star.ps/x", "examples", ".", "../x"]) {
    for (const [way, bring] of Object.entries(waysIn)) {
      const page = await open();
      await bring(page, name, "1 2 add\n");
      await consoleHas(page, `The file ${name} is not added: `);
      await enter(page, "examples/sample.ps");
      assert.deepEqual(page.errors, [], `${way} ${name}`);
      await page.close();
    }
  }
});

test("kept values that hold no page are dropped with a line", async () => {
  for (const [key, value] of [...["null", '"abc"', "[1,2]", "{", '{"a.ps":5}', '{"a.ps":"@@@"}',
    '{"dev":"JSFQUwo="}'].map((value) => ["psviewer-pages", value]),
  ["psviewer-page:a.ps", "@@@"], ["db:a.ps", '"JSFQUwo="'], ["db:a.ps", "[37]"]]) {
    const page = await open();
    await keptBefore(page, key, value);
    await enter(page, "examples/sample.ps");
    assert.match(await consoleText(page), /dropped|not added/, `${key} ${value}`);
    assert.deepEqual(page.errors, [], value);
    await page.close();
  }
});

test("pages kept: nothing replaced, nothing lost, in two tabs and across reloads", async () => {
  const names = ["__proto__", "a b", "a%20b", "\u202Esp.exe", "examples/sample.ps"];
  const page = await open();
  const other = await page.browserContext().newPage();
  other.errors = [];
  other.on("pageerror", (error) => other.errors.push(error.message));
  await other.goto(site.url);
  for (const name of names) await waysIn.drop(page, name, `${name} x\n`);
  await consoleHas(page, "The file a%20b is not added: ");
  const labels = await page.$$eval("#page-list button", (all) => all.map((b) => b.textContent));
  assert.ok(labels.includes("[U+202E]sp.exe") && labels.includes("a b"), labels.join("|"));
  // A link to a page under a taken name comes in under a new one.
  await waysIn.link(page, "examples/sample.ps", "showpage\n");
  await consoleHas(page, "comes in as examples/sample (2).ps");
  await page.waitForFunction(() => document.activeElement.id === "filename" &&
    document.body.dataset.frames > 0);
  // The other tab sees the saves; its own edit, reloaded 50 ms after its
  // last key, stays beside them.
  await other.waitForFunction(() => document.body.dataset.pages.includes("__proto__"));
  await enter(other, "examples/star.ps");
  await other.click("#source");
  await other.keyboard.type("edited");
  await new Promise((resolve) => setTimeout(resolve, 50));
  await other.reload();
  await enter(other, "examples/star.ps");
  assert.match(await other.$eval("#source", (area) => area.value), /edited/);
  await enter(other, "a%20b");
  assert.equal(await other.$eval("#source", (area) => area.value), "a b x\n");
  await enter(other, "__proto__");  // kept and restored, as any name
  // Storage full: an edit that is not kept is said, every time.
  await other.evaluate(() => {
    IDBObjectStore.prototype.put = () => { throw new DOMException("full", "QuotaExceededError"); };
  });
  await enter(other, "examples/shapes.ps");  // not kept yet
  for (const key of ["1", "2"]) {
    await other.click("#source");
    await other.keyboard.type(key);
    await other.waitForFunction((n) => (document.getElementById("console").textContent
      .match(/storage refused it/g) || []).length === n, {}, Number(key));
  }
  assert.deepEqual([...page.errors, ...other.errors], []);
  await page.close();
});

test("a file picked while the page loads is not replaced by a kept one", async () => {
  const picked = join(work, "picked.ps");
  writeFileSync(picked, "first\n");
  const page = await open();
  await waysIn.storage(page, "picked.ps", "kept\n");
  // The page's script, and the restore it makes, come once the file is
  // picked (and before the pick is kept).
  let release;
  const held = new Promise((resolve) => { release = resolve; });
  await page.setRequestInterception(true);
  page.on("request", (request) => (request.url().endsWith("/page.js") ? held : Promise.resolve())
    .then(() => request.continue()));
  const reloading = page.reload();
  await (await page.waitForSelector("#pages")).uploadFile(picked);
  release();
  await reloading;
  writeFileSync(picked, "picked\n");
  await choose(page, [picked]);  // picked again, changed: it is read again
  await enter(page, "picked.ps");
  await new Promise((resolve) => setTimeout(resolve, 1500));
  assert.equal(await page.$eval("#source", (area) => area.value), "picked\n");
  await page.close();
});



test("the page shown is saved as it is, and a link to it shows it", async () => {
  const path = join(env.PSVIEWER_EXAMPLES_DIR, "shapes.ps");
  const desktop = linux(path);
  const page = await open();
  await enter(page, "examples/shapes.ps");
  await page.evaluate(() => {
    HTMLAnchorElement.prototype.click = async function () {
      const bytes = new Uint8Array(await (await fetch(this.href)).arrayBuffer());
      document.body.dataset.saved = `${this.download}\n${bytes.join(",")}`;
    };
  });
  await page.click("#save");
  await page.waitForFunction(() => document.body.dataset.saved);
  assert.equal(await page.$eval("body", (body) => body.dataset.saved),
    `shapes.ps\n${[...readFileSync(path)].join(",")}`);
  await page.click("#share");
  const address = await page.$eval("#link", (field) => field.value);
  const shared = await open(browser, address);
  await shared.waitForFunction(() => Number(document.body.dataset.frames || 0) > 0);
  await shown(shared);
  assertSameConsole(await consoleText(shared), desktop.console, "examples/shapes.ps");
  assertSamePixels(await canvasPixels(shared), desktop.image);
  assert.deepEqual([...page.errors, ...shared.errors], []);
  await shared.close();
  await page.close();
});

for (const engine of ["Chromium", "Firefox", "WebKit"]) {
  test(`${engine}: the one-file page, opened from disk, shows a sample as the Linux window does`,
    { skip: skipOf[engine] }, async (t) => {
      const desktop = linux(join(env.PSVIEWER_EXAMPLES_DIR, "shapes.ps"));
      const seen = await show(engine, "examples/shapes.ps", null,
        pathToFileURL(env.PSVIEWER_ONE_FILE).href);
      assertSameConsole(seen.console, desktop.console, "examples/shapes.ps");
      assertSamePixels(seen.image, desktop.image);
      noPageErrors(t, engine, seen);
    });
}

test("one screen: the picture, the console and the editor in view, never cropped", async () => {
  const page = await open();
  await enter(page, "examples/sample.ps");
  for (const [width, height] of [[1280, 720], [1280, 600], [1300, 900]]) {
    await page.setViewport({ width, height });
    const [canvas, ...rest] = await page.evaluate(() => ["canvas", "console", "source"]
      .map((id) => document.getElementById(id).getBoundingClientRect().toJSON()));
    for (const box of [canvas, ...rest]) {
      assert.ok(box.left >= 0 && box.top >= 0 && box.right <= width && box.bottom <= height,
        `${width} x ${height}: ${JSON.stringify(box)}`);
    }
    assert.deepEqual([canvas.width, canvas.height].map(Math.round),
      [Math.round(540 * Math.min(700, height - 16) / 700), Math.min(700, height - 16)]);
  }
  await page.close();
});

test("the page passes axe-core, and is used with the keyboard alone", async () => {
  const page = await open();
  await page.addScriptTag({ path: createRequire(import.meta.url).resolve("axe-core") });
  const violations = () => page.evaluate(async () =>
    (await window.axe.run()).violations.map((found) => `${found.id}: ${found.help}`));
  assert.deepEqual(await violations(), []);
  await page.keyboard.type("examples/sample.ps");  // the field has the focus
  await page.keyboard.press("Enter");
  await page.waitForFunction(() => Number(document.body.dataset.frames || 0) > 0);
  const focused = () => page.evaluate(() => document.activeElement.textContent);
  for (let tabs = 0; tabs < 20 && await focused() !== "examples/shapes.ps"; ++tabs) {
    await page.keyboard.press("Tab");
  }
  assert.equal(await focused(), "examples/shapes.ps", "Tab never reached the button");
  await page.keyboard.press("Enter");
  await page.waitForFunction(() =>
    document.getElementById("console").textContent.includes("Filename: examples/shapes.ps\n"));
  assert.deepEqual(await violations(), []);
  await page.close();
});
