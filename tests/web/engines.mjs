// The browser engines the web page is shown in, each launched as the tests
// and the benchmark drive it: Chromium and Firefox with puppeteer-core,
// WebKit with selenium-webdriver; and the steps both take in the page.
import { spawn } from "node:child_process";
import { basename } from "node:path";
import puppeteer from "puppeteer-core";
import { Builder, By } from "selenium-webdriver";
import remote from "selenium-webdriver/remote/index.js";

// Chromium draws WebGL through ANGLE on the machine's GL, Mesa's llvmpipe;
// it reaches no network.
export function launchChromium(executablePath, extra = []) {
  return puppeteer.launch({
    executablePath,
    headless: "shell",
    args: ["--no-sandbox", "--use-angle=gl-egl", "--ignore-gpu-blocklist",
      "--disable-background-networking", "--disable-component-update",
      "--no-first-run", "--disable-sync", ...extra],
  });
}

// An X server of its own, for a browser that draws WebGL only in a window.
async function startXvfb() {
  const xvfb = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", "1300x900x24"],
    { stdio: ["ignore", "ignore", "ignore", "pipe"] });
  const number = await new Promise((resolve) => xvfb.stdio[3].once("data", resolve));
  return { xvfb, env: { ...process.env, DISPLAY: `:${String(number).trim()}` } };
}

// Firefox, driven over WebDriver BiDi.
export async function launchFirefox(executablePath) {
  const { xvfb, env: withDisplay } = await startXvfb();
  const firefox = await puppeteer.launch({
    browser: "firefox", executablePath, headless: false,
    env: withDisplay,
    // The window's own size: an older Firefox cannot set a viewport.
    defaultViewport: null, args: ["--width=1300", "--height=900"],
    extraPrefsFirefox: { "webgl.force-enabled": true },
  });
  firefox.once("disconnected", () => xvfb.kill());
  return firefox;
}

// WebKit, Safari's engine, as WebKitGTK's MiniBrowser, which its
// WebKitWebDriver drives over classic WebDriver.
export async function launchWebKit(driverPath, miniBrowser) {
  const { xvfb, env: withDisplay } = await startXvfb();
  const service = new remote.DriverService.Builder(driverPath)
    .setLoopback(true).setEnvironment(withDisplay).build();
  const driver = await new Builder().usingServer(await service.start())
    .withCapabilities({ browserName: "MiniBrowser", "webkitgtk:browserOptions":
      { binary: miniBrowser, args: ["--automation"] } }).build();
  await driver.manage().window().setRect({ width: 1300, height: 900 });
  driver.close = async () => {
    await driver.quit();
    await service.kill();
    xvfb.kill();
  };
  return driver;
}

// Picks files in the page's file picker, and waits until its list of pages
// has them: in a puppeteer page, or, with a path, in WebKit's driver.
const listed = (names) => names.every((name) =>
  (document.body.dataset.pages || "").split("\n").includes(name));
export async function choose(page, files) {
  await (await page.$("#pages")).uploadFile(...files);
  await page.waitForFunction(listed, {}, files.map((file) => basename(file)));
}
export async function chooseInWebKit(driver, path, timeout) {
  await driver.findElement(By.id("pages")).sendKeys(path);
  await driver.wait(() => driver.executeScript(`return (${listed})(arguments[0])`,
    [basename(path)]), timeout);
}
