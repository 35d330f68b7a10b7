// The names a page may have: one rule for every way a page comes in
// (picked, dropped, linked, kept), and how a name is shown and entered.

// The prompt takes the first word, as on the desktop, but a picked file's
// name comes from the user's system: "my page.ps", "page (1).ps". Such a
// name is also reached as one word, its blanks (and any %) written as %XX.
export function oneWord(name) {
  if (!/\s/.test(name)) return name;
  return name.replace(/[\s%]/g, (c) => "%" + c.charCodeAt(0).toString(16).padStart(2, "0"));
}

// A name as the page shows it: the characters that show nothing or turn
// the text around (controls, format characters such as U+202E) are written
// as [U+202E], so that a name cannot pass for another.
export function visible(name) {
  return name.replace(/[\p{Cc}\p{Cf}\p{Zl}\p{Zp}]/gu,
    (c) => `[U+${c.codePointAt(0).toString(16).toUpperCase().padStart(4, "0")}]`);
}

// The folders the program's file system has of its own: no page lies in
// one.
const ownFolders = new Set(["bin", "dev", "home", "proc", "tmp"]);

// Why a name cannot be a page's beside the pages named in taken, or null
// where it can: the name must be a file that the program's file system can
// hold beside them, and be entered by a word no other page is entered by.
export function whyRefused(name, taken) {
  if (typeof name !== "string" || name === "" || name.includes("\0")) {
    return "it is no file's name";
  }
  const parts = name.split("/");
  if (parts.some((part) => part === "" || part === "." || part === "..")) {
    return "it names a folder, not a file";
  }
  if (ownFolders.has(parts[0])) return `the viewer keeps a folder ${parts[0]} of its own`;
  for (let i = 1; i < parts.length; ++i) {
    const through = parts.slice(0, i).join("/");
    if (taken.has(through)) return `the page ${visible(through)} is no folder`;
  }
  for (const page of taken) {
    if (page.startsWith(name + "/")) return "it is a folder of pages";
    if (page !== name && oneWord(page) === oneWord(name)) {
      return `the page ${visible(page)} is entered by the same word, ${visible(oneWord(name))}`;
    }
  }
  return null;
}

// The page a name leads to among pages, as the program's file system
// resolves it from its folder, the root: "./a", "/a" and "b/../a" are "a",
// "a//b" is "a/b"; a page's name as one word is that page.
export function pageOf(name, pages) {
  const parts = [];
  for (const part of name.split("/")) {
    if (part === "..") parts.pop();
    else if (part !== "" && part !== ".") parts.push(part);
  }
  const path = parts.join("/");
  if (pages.has(path)) return path;
  return [...pages.keys()].find((page) => oneWord(page) === path) ?? path;
}
