// Times the web viewer in a browser engine (chromium, firefox or webkit),
// each drawing with Mesa's llvmpipe. For each run, either the page is
// chosen in the file picker, its name typed, and the clock runs from Enter
// until the first frame is on the screen; or, with --one-file, the one-file
// page is opened from disk with a link that shows PAGE, and the clock runs
// from the start of its loading until that frame. The clock is the page's
// own, so that each engine's driver adds nothing. Prints the milliseconds
// of each run, a line each.
// Usage: node web_timer.mjs ENGINE SITE_FOLDER RUNS PAGE
//        node web_timer.mjs ENGINE --one-file HTML_FILE RUNS PAGE
// CHROMIUM, FIREFOX, WEBKIT_DRIVER and MINIBROWSER name the programs.
import { readFileSync } from "node:fs";
import { basename } from "node:path";
import { pathToFileURL } from "node:url";
import { By, Key } from "selenium-webdriver";
import { launchChromium, launchFirefox, launchWebKit } from "../tests/web/engines.mjs";
import { serve } from "../web/serve.mjs";

const [engine, folder, ...rest] = process.argv.slice(2);
const oneFile = folder === "--one-file";
const [file, runs, path] = oneFile ? rest : [null, ...rest];
const env = process.env;
const browser = engine === "chromium" ? await launchChromium(env.CHROMIUM)
  : engine === "firefox" ? await launchFirefox(env.FIREFOX)
  : await launchWebKit(env.WEBKIT_DRIVER, env.MINIBROWSER);
const site = oneFile ? null : await serve(folder);
const name = basename(path);
const address = oneFile ? `${pathToFileURL(file).href}#name=${name}&page=` +
  readFileSync(path).toString("base64url") : site.url;

// Calls done with the page's clock once its first frame is on the screen:
// that frame has been drawn once the next one begins.
const firstFrame = `const check = () => Number(document.body.dataset.frames || 0) > 0
  ? requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now())))
  : requestAnimationFrame(check);
check();`;
const startOnEnter = `document.getElementById("filename").addEventListener("keydown",
  (event) => { if (event.key === "Enter") window.started = performance.now(); });`;

// One run in an engine that puppeteer-core drives, and in WebKit.
async function runPuppeteer() {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.goto(address);
  let started = 0;
  if (!oneFile) {
    await (await page.$("#pages")).uploadFile(path);
    await page.waitForFunction((n) =>
      (document.body.dataset.pages || "").split("\n").includes(n), {}, name);
    await page.type("#filename", name);
    await page.evaluate(startOnEnter);
    await page.keyboard.press("Enter");
  }
  const shown = await page.evaluate(`new Promise((done) => { ${firstFrame} })`);
  if (!oneFile) started = await page.evaluate("window.started");
  await context.close();
  return shown - started;
}
async function runWebKit() {
  const run = (script, ...args) => browser.executeScript(script, ...args);
  await browser.get("about:blank");
  await browser.get(address);
  let started = 0;
  if (!oneFile) {
    await run("localStorage.clear()");
    await browser.findElement(By.id("pages")).sendKeys(path);
    await browser.wait(() => run("return (document.body.dataset.pages || '')" +
      ".split('\\n').includes(arguments[0])", name), 60000);
    await browser.findElement(By.id("filename")).sendKeys(name);
    await run(startOnEnter);
    await browser.findElement(By.id("filename")).sendKeys(Key.ENTER);
  }
  await browser.manage().setTimeouts({ script: 600000 });
  const shown = await browser.executeAsyncScript(
    `const done = arguments[arguments.length - 1]; ${firstFrame}`);
  if (!oneFile) started = await run("return window.started");
  return shown - started;
}

for (let run = 0; run < Number(runs); ++run) {
  console.log((engine === "webkit" ? await runWebKit() : await runPuppeteer()).toFixed(1));
}
await browser.close();
site?.server.close();
