// The console: what the program writes, byte by byte, shown once a frame
// as UTF-8. As a terminal keeps a bounded scrollback, the console keeps its
// last lines only, and says how many went before them: hours of redraws
// that print keep the page's memory flat.
const view = document.getElementById("console");
const scrollback = { lines: 10000, chars: 4 << 20 };
let pending = new Uint8Array(1 << 16);  // bytes not yet shown
let pendingLength = 0;
const decoder = new TextDecoder();
let kept = "";       // the console's text, its last lines
let keptLines = 0;   // the line ends in it
let dropped = 0;     // the lines dropped before it
let partial = "";    // its last line, not yet ended, for the words below

export function write(byte) {
  if (byte === null) return;
  if (pendingLength === 0) requestAnimationFrame(flush);
  if (pendingLength === pending.length) {
    const grown = new Uint8Array(2 * pending.length);
    grown.set(pending);
    pending = grown;
  }
  pending[pendingLength++] = byte;
}

export function say(text) {
  for (const byte of new TextEncoder().encode(text)) write(byte);
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
    partial = "";
    bytes = bytes.subarray(from);
  }
  const text = decoder.decode(bytes, { stream: true });
  pendingLength = 0;
  // A pass that printed much leaves no large buffer behind.
  if (pending.length > 1 << 20) pending = new Uint8Array(1 << 16);
  noteUnsupported(text);
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
  view.textContent = (dropped ? `[${dropped} earlier lines dropped: ` +
    `the console keeps the last ${scrollback.lines} lines]\n` : "") + kept;
  view.scrollTop = view.scrollHeight;
}

// The words the program said it does not support. A token's fate depends
// on its text alone, so a word once reported is one wherever it stands,
// and the editor marks it there. The set is bounded, as the console is.
export const unsupported = new Set();
const unsupportedBound = 10000;
let onUnsupported = () => {};
export function whenUnsupported(callback) { onUnsupported = callback; }
function noteUnsupported(text) {
  const lines = partial + text;
  const end = lines.lastIndexOf("\n") + 1;
  partial = lines.slice(end).slice(-1000);
  const before = unsupported.size;
  for (const [, word] of lines.slice(0, end).matchAll(/^Operator: (.+) not supported$/gm)) {
    if (unsupported.size < unsupportedBound) unsupported.add(word);
  }
  if (unsupported.size > before) onUnsupported();
}
