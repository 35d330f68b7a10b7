// Links: the page shown (up to 16 KB), its name and its bytes in the
// address's fragment, which no server sees; opening such a link shows that
// page.
import { say } from "./console.js";
import { visible, whyRefused } from "./names.js";
import { addPage, base64, pageOfRecord, pages } from "./pages.js";

const shareable = 16 << 10;
const link = document.getElementById("link");

// Shows the link to the page of name in the link's field.
export function showLink(name) {
  const bytes = pages.get(name);
  link.hidden = false;
  if (bytes.length > shareable) {
    link.value = `This page is too large for a link (over ${shareable} bytes).`;
    return;
  }
  link.value = `${location.href.split("#")[0]}#name=${encodeURIComponent(name)}` +
    `&page=${base64(bytes).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "")}`;
  link.select();
}
export function hideLink() { link.hidden = true; }

// Opens the link in the address, once, and calls show with its page's
// name. A link never replaces a page silently: a different page under a
// taken name comes in under a new one, "name (2).ps", and the console says
// so.
let linkOpened = "";
export function openLink(show) {
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

function sameBytes(a, b) {
  return a.length === b.length && a.every((byte, i) => byte === b[i]);
}
// "name (2).ps", or the first of (3), (4)... that no page has.
function freeName(name) {
  const dot = name.lastIndexOf(".");
  const cut = dot > name.lastIndexOf("/") + 1 ? dot : name.length;
  for (let n = 2; ; ++n) {
    const free = `${name.slice(0, cut)} (${n})${name.slice(cut)}`;
    if (!pages.has(free) && (whyRefused(free, new Set(pages.keys())) === null || n > 1000)) {
      return free;
    }
  }
}
