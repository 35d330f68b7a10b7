// Times the web viewer in Debian's headless Chromium, drawing with Mesa's
// llvmpipe: for each run, the page is chosen in the file picker, its name
// typed, and the clock runs from Enter until the first frame is on the
// screen. Prints the milliseconds of each run, a line each.
// Usage: node web_timer.mjs SITE_FOLDER RUNS PAGE   (CHROMIUM names the browser)
import { basename } from "node:path";
import puppeteer from "puppeteer-core";
import { serve } from "./serve.mjs";

const [folder, runs, path] = process.argv.slice(2);
const site = await serve(folder);
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium-headless-shell",
  headless: "shell",
  args: ["--no-sandbox", "--use-angle=gl-egl", "--ignore-gpu-blocklist",
    "--disable-background-networking", "--disable-component-update"],
});
const name = basename(path);
for (let run = 0; run < Number(runs); ++run) {
  const page = await browser.newPage();
  await page.goto(site.url);
  await (await page.$("#pages")).uploadFile(path);
  await page.waitForFunction((n) =>
    (document.body.dataset.pages || "").split("\n").includes(n), {}, name);
  await page.type("#filename", name);
  const start = performance.now();
  await page.keyboard.press("Enter");
  await page.waitForFunction(() => Number(document.body.dataset.frames || 0) > 0,
    { timeout: 600000, polling: "raf" });
  // The frame is on the screen once the next one has begun.
  await page.evaluate(() => new Promise((resolve) =>
    requestAnimationFrame(() => requestAnimationFrame(resolve))));
  console.log((performance.now() - start).toFixed(1));
  await page.close();
}
await browser.close();
site.server.close();
