// The web page's memory over an editing session, in headless Chromium: PAGE
// is chosen and shown, then edited EDITS times, a blank typed at its end
// each time, each edit waited for until its pass has been drawn. Prints the
// resident memory of the browser's renderers (the page's JavaScript, the
// program's memory and the console's text among it) after the first pass
// and after the last edit, in MB, and the last over the first.
// Usage: node web_memory.mjs SITE_FOLDER EDITS PAGE   (CHROMIUM names it)
import { readdirSync, readFileSync } from "node:fs";
import { basename } from "node:path";
import { choose, launchChromium } from "../tests/web/engines.mjs";
import { serve } from "../web/serve.mjs";

const [folder, edits, path] = process.argv.slice(2);
const site = await serve(folder);
const browser = await launchChromium(process.env.CHROMIUM);
// The renderers are the processes the browser started, itself or through
// its helpers, with --type=renderer.
function renderersMB() {
  const children = new Map();
  const commands = new Map();
  for (const pid of readdirSync("/proc").filter((name) => /^\d+$/.test(name))) {
    try {
      const parent = readFileSync(`/proc/${pid}/stat`, "latin1").split(") ")[1].split(" ")[1];
      children.set(parent, [...(children.get(parent) || []), pid]);
      // Chromium rewrites its command line as one string.
      commands.set(pid, readFileSync(`/proc/${pid}/cmdline`, "latin1"));
    } catch {
      // The process has ended.
    }
  }
  let kb = 0;
  const pending = [String(browser.process().pid)];
  while (pending.length) {
    const pid = pending.pop();
    pending.push(...(children.get(pid) || []));
    if (!commands.get(pid)?.includes(" --type=renderer ")) continue;
    try {
      kb += Number(readFileSync(`/proc/${pid}/status`, "latin1").match(/VmRSS:\s+(\d+)/)[1]);
    } catch {
      // The process has ended.
    }
  }
  return kb / 1024;
}

const page = await browser.newPage();
await page.goto(site.url);
const name = basename(path);
await choose(page, [path]);
const frames = () => page.$eval("body", (body) => Number(body.dataset.frames || 0));
async function drawn(after) {
  await page.waitForFunction((n) => Number(document.body.dataset.frames || 0) > n,
    { timeout: 600000 }, after);
  await page.evaluate(() => new Promise((resolve) =>
    requestAnimationFrame(() => requestAnimationFrame(resolve))));
}
await page.type("#filename", name);
await page.keyboard.press("Enter");
await drawn(0);
const first = renderersMB();
await (await page.waitForSelector("#source")).click();  // the editor loads after the frame
for (let edit = 0; edit < Number(edits); ++edit) {
  const before = await frames();
  await page.keyboard.down("Control");
  await page.keyboard.press("End");
  await page.keyboard.up("Control");
  await page.keyboard.type(" ");
  await drawn(before);
}
const last = renderersMB();
console.log(`${first.toFixed(1)} ${last.toFixed(1)} ${(last / first).toFixed(2)}`);
await browser.close();
site.server.close();
