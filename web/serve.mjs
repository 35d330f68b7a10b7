// Serves a folder as a static site on 127.0.0.1 only: the web viewer, for
// scripts/web and for its tests. It answers GET and HEAD with a file of the
// folder and nothing else: a request it cannot read is a 400, a path
// outside the folder or not a regular file in it a 404 (a named pipe or a
// device is never opened, since reading one could block), another method a
// 405, and the server goes on to the next request whatever the last one
// held. A connection idle or slow for 10 s is closed.
// Usage: node serve.mjs FOLDER [PORT]   (PORT 0 takes a free one)
import { createServer } from "node:http";
import { constants } from "node:fs";
import { open, realpath, stat } from "node:fs/promises";
import { extname, join, normalize, sep } from "node:path";
import { pathToFileURL } from "node:url";

const types = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".wasm": "application/wasm",
};

// The file a request's path names, or null where it names none of the
// folder's: the path is decoded once, and what it leads to, links
// followed, must lie inside the folder.
async function fileOf(root, url) {
  let path;
  try {
    path = decodeURIComponent(new URL(url, "http://x").pathname);
  } catch {
    return undefined;
  }
  if (path.includes("\0")) return undefined;
  if (path.endsWith("/")) path += "index.html";
  try {
    const file = await realpath(join(root, normalize(path)));
    return file.startsWith(root + sep) ? file : null;
  } catch {
    return null;
  }
}

// The bytes of a regular file, or null: what is not one is not opened, and
// one replaced by something else meanwhile is opened without waiting on it
// and not read.
async function regularFile(file) {
  try {
    if (!(await stat(file)).isFile()) return null;
    const handle = await open(file, constants.O_RDONLY | constants.O_NONBLOCK);
    try {
      return (await handle.stat()).isFile() ? await handle.readFile() : null;
    } finally {
      await handle.close();
    }
  } catch {
    return null;
  }
}

// Starts the server and resolves to its address, such as
// http://127.0.0.1:8000/.
export async function serve(folder, port = 0) {
  const root = await realpath(folder);
  const server = createServer(async (request, response) => {
    try {
      if (request.method !== "GET" && request.method !== "HEAD") {
        response.writeHead(405, { Allow: "GET, HEAD" }).end();
        return;
      }
      const file = await fileOf(root, request.url);
      if (file === undefined) {
        response.writeHead(400).end();
        return;
      }
      const body = file && (await regularFile(file));
      if (!body) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {
        "Content-Type": types[extname(file)] || "application/octet-stream",
        "Content-Length": body.length,
        "Cache-Control": "no-store",
      });
      response.end(request.method === "HEAD" ? undefined : body);
    } catch {
      if (!response.headersSent) response.writeHead(500);
      response.end();
    }
  });
  // No client holds a connection for long: idle or slow, it is let go.
  server.headersTimeout = server.requestTimeout = 10000;
  server.keepAliveTimeout = 5000;
  server.setTimeout(10000, (socket) => socket.destroy());
  // A client that sends what is not HTTP is answered 400 and let go.
  server.on("clientError", (error, socket) => {
    if (socket.writable) socket.end("HTTP/1.1 400 Bad Request\r\n\r\n");
    else socket.destroy();
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
