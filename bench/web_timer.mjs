// Times the web viewer in a browser engine (chromium, firefox or webkit),
// each drawing with Mesa's llvmpipe. For each run, either the page is
// chosen in the file picker, its name typed, and the clock runs from Enter
// until the first frame is on the screen; or, with --one-file, the one-file
// page is opened from disk with a link that shows PAGE, and the clock runs
// from the start of its loading until that frame. With --keys, PAGE is
// shown once, and KEYS keys are typed at its end, 100 ms apart, each timed
// from its event to the paint after it. The clock is the page's own, so
// that each engine's driver adds nothing. Prints the milliseconds of each
// run or key, a line each.
// Usage: node web_timer.mjs ENGINE SITE_FOLDER RUNS PAGE
//        node web_timer.mjs ENGINE --one-file HTML_FILE RUNS PAGE
//        node web_timer.mjs ENGINE --keys SITE_FOLDER KEYS PAGE
// CHROMIUM, FIREFOX, WEBKIT_DRIVER and MINIBROWSER name the programs.
import { readFileSync } from "node:fs";
import { basename } from "node:path";
import { pathToFileURL } from "node:url";
import { By, Key } from "selenium-webdriver";
import {
  choose, chooseInWebKit, launchChromium, launchFirefox, launchWebKit,
} from "../tests/web/engines.mjs";
import { serve } from "../web/serve.mjs";

const [engine, how, ...rest] = process.argv.slice(2);
const oneFile = how === "--one-file";
const keys = how === "--keys";
const [file, folder, runs, path] = oneFile ? [rest[0], null, ...rest.slice(1)]
  : keys ? [null, ...rest] : [null, how, ...rest];
const env = process.env;
const browser = engine === "chromium" ? await launchChromium(env.CHROMIUM)
  : engine === "firefox" ? await launchFirefox(env.FIREFOX)
  : await launchWebKit(env.WEBKIT_DRIVER, env.MINIBROWSER);
const site = oneFile ? null : await serve(folder);
const name = basename(path);
const address = oneFile ? `${pathToFileURL(file).href}#name=${name}&page=` +
  readFileSync(path).toString("base64url") : site.url;

// Sets window.shown to a promise of the page's clock once its first frame
// is on the screen: the page counts a frame as it draws it, and the frame
// after the next has begun once the compositor has shown it. It is set
// before Enter, or before the one-file page's script runs, where the
// engine's driver can: a frame drawn before it is timed from then.
const watchFrames = `void (window.shown = new Promise((done) => {
  const shown = () =>
    requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now())));
  if (Number(document.body?.dataset.frames || 0) > 0) shown();
  else new MutationObserver((changes, observer) => { observer.disconnect(); shown(); })
    .observe(document, { subtree: true, attributeFilter: ["data-frames"] });
}));`;
const startOnEnter = `document.getElementById("filename").addEventListener("keydown",
  (event) => { if (event.key === "Enter") window.started = event.timeStamp; });
${watchFrames}`;

// Each key's time, from its event to the paint after it: the frame after
// the key has been painted once a task queued in it runs.
const timeKeys = `window.keyTimes = [];
document.addEventListener("keydown", (event) => requestAnimationFrame(() =>
  setTimeout(() => window.keyTimes.push(performance.now() - event.timeStamp))), true);`;
const pause = (ms = 100) => new Promise((resolve) => setTimeout(resolve, ms));
// A person takes a second or more to pick a file and type its name; the
// driver takes a few ms, and would press Enter while the page still loads.
const typing = 1000;

// One run in an engine that puppeteer-core drives, and in WebKit.
async function runPuppeteer() {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  if (oneFile) await page.evaluateOnNewDocument(watchFrames);
  await page.goto(address);
  let started = 0;
  if (!oneFile) {
    await choose(page, [path]);
    await page.type("#filename", name);
    await page.evaluate(startOnEnter);
    await pause(typing);
    await page.keyboard.press("Enter");
  }
  const shown = await page.evaluate("window.shown");
  if (!oneFile) started = await page.evaluate("window.started");
  let times = [shown - started];
  if (keys) {
    await (await page.waitForSelector("#source")).click();
    await page.keyboard.down("Control");
    await page.keyboard.press("End");
    await page.keyboard.up("Control");
    await page.evaluate(timeKeys);
    for (let key = 0; key < Number(runs); ++key) {
      await page.keyboard.press("x");
      await pause();
    }
    await page.waitForFunction((n) => window.keyTimes.length === n, {}, Number(runs));
    times = await page.evaluate("window.keyTimes");
  }
  await context.close();
  return times;
}
async function runWebKit() {
  const run = (script, ...args) => browser.executeScript(script, ...args);
  await browser.get("about:blank");
  await browser.get(address);
  let started = 0;
  if (!oneFile) {
    await run("localStorage.clear(); indexedDB.deleteDatabase('psviewer')");
    await chooseInWebKit(browser, path, 60000);
    await browser.findElement(By.id("filename")).sendKeys(name);
    await run(startOnEnter);
    await pause(typing);
    await browser.findElement(By.id("filename")).sendKeys(Key.ENTER);
  }
  await browser.manage().setTimeouts({ script: 600000 });
  if (oneFile) await run(watchFrames);
  const shown = await browser.executeAsyncScript(
    "window.shown.then(arguments[arguments.length - 1])");
  if (!oneFile) started = await run("return window.started");
  if (!keys) return [shown - started];
  await browser.wait(() => run("return !!document.getElementById('source')"), 60000);
  await browser.findElement(By.id("source")).click();
  await browser.actions().keyDown(Key.CONTROL).sendKeys(Key.END).keyUp(Key.CONTROL).perform();
  await run(timeKeys);
  for (let key = 0; key < Number(runs); ++key) {
    await browser.actions().sendKeys("x").perform();
    await pause();
  }
  await browser.wait(() => run("return window.keyTimes.length === arguments[0]", Number(runs)),
    60000);
  return run("return window.keyTimes");
}

for (let run = 0; run < (keys ? 1 : Number(runs)); ++run) {
  const times = engine === "webkit" ? await runWebKit() : await runPuppeteer();
  for (const time of times) console.log(time.toFixed(1));
}
await browser.close();
site?.server.close();
