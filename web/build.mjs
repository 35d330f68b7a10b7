// Bundles the page's modules with esbuild, with the program's script and
// the sample pages, in one of two ways:
//   site FOLDER: FOLDER/page.js, and the editor in a file of its own that
//     loads after the first frame; the program's WebAssembly, which lies
//     beside its script, is fetched;
//   one-file PAGE: index.html with everything in it, the program's
//     WebAssembly too, a page that works opened from disk.
// Usage: node web/build.mjs site|one-file OUTPUT PROGRAM_JS EXAMPLES_FOLDER
//   [NODE_MODULES]   (the packages, the project's node_modules by default)
import { readFileSync, readdirSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const [how, output, program, examplesFolder,
  modules = join(here, "../node_modules")] = process.argv.slice(2);
if (!["site", "one-file"].includes(how) || !examplesFolder) {
  console.error("Usage: node web/build.mjs site|one-file OUTPUT PROGRAM_JS EXAMPLES_FOLDER " +
    "[NODE_MODULES]");
  process.exit(2);
}
const esbuild = await import(pathToFileURL(join(modules, "esbuild/lib/main.js")));

// psviewer:program is the program's script, Emscripten's, as text: it is
// a classic script, which assigns names it never declares, so it cannot be
// a module's code. psviewer:build carries the sample pages, and in the
// one-file page the program's WebAssembly, as bytes.
const examples = readdirSync(examplesFolder).filter((name) => name.endsWith(".ps")).sort();
const wasm = JSON.stringify(resolve(program).replace(/\.js$/, ".wasm"));
const build = (how === "one-file"
  ? `export { default as wasm } from ${wasm};\n` : "export const wasm = null;\n") +
  examples.map((name, i) => `import sample${i} from ${JSON.stringify(`./${name}`)};\n`).join("") +
  `export const samples = {${examples.map((name, i) =>
    `${JSON.stringify(`examples/${name}`)}: sample${i}`).join(", ")}};\n`;
const ours = {
  name: "psviewer",
  setup(bundle) {
    bundle.onResolve({ filter: /^psviewer:/ }, ({ path }) => ({ path, namespace: "psviewer" }));
    bundle.onLoad({ filter: /.*/, namespace: "psviewer" }, ({ path }) =>
      path === "psviewer:program"
        ? { contents: readFileSync(program), loader: "text" }
        : { contents: build, resolveDir: resolve(examplesFolder), loader: "js" });
  },
};

const result = await esbuild.build({
  entryPoints: { page: join(here, "main.js") },
  bundle: true,
  format: "esm",
  minify: true,
  loader: { ".ps": "binary", ".wasm": "binary" },
  nodePaths: [modules],
  plugins: [ours],
  logLevel: "warning",
  // The site's page loads the editor after its first frame; the one-file
  // page, which can load nothing, carries it.
  ...(how === "site"
    ? { splitting: true, outdir: output, chunkNames: "[name]", write: true }
    : { write: false, outdir: "." }),
});
if (how === "one-file") {
  const script = result.outputFiles[0].text;
  // The script goes inside a script element, which its text must not end.
  if (/<\/script/i.test(script)) throw new Error("the bundle holds </script");
  const page = readFileSync(join(here, "index.html"), "utf8");
  const tag = '<script type="module" src="page.js"></script>';
  if (!page.includes(tag)) throw new Error(`index.html has no ${tag}`);
  writeFileSync(output, page.replace(tag, () => `<script type="module">\n${script}</script>`));
}
