// Serves a folder as a static site on 127.0.0.1 only: the web viewer, for
// scripts/web and for its tests.
// Usage: node serve.mjs FOLDER [PORT]   (PORT 0 takes a free one)
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { extname, join, normalize } from "node:path";
import { pathToFileURL } from "node:url";

const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".wasm": "application/wasm",
};

// Starts the server and resolves to its address, such as
// http://127.0.0.1:8000/.
export function serve(folder, port = 0) {
  const server = createServer(async (request, response) => {
    let path = decodeURIComponent(new URL(request.url, "http://x").pathname);
    if (path.endsWith("/")) path += "index.html";
    // normalize keeps a path that starts at / within the folder.
    const file = join(folder, normalize(path));
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        "Content-Type": types[extname(file)] || "application/octet-stream",
        "Cache-Control": "no-store",
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => {
    server.listen(port, "127.0.0.1", () =>
      resolve({ server, url: `http://127.0.0.1:${server.address().port}/` }));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [folder, port = "8000"] = process.argv.slice(2);
  const { url } = await serve(folder, Number(port));
  console.log(`web: the viewer is at ${url} (Ctrl+C ends this)`);
}
