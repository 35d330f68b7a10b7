// ESLint's recommended rules over the JavaScript: the web page's script,
// its server, the web tests and the benchmark's timers.
import js from "@eslint/js";
import globals from "globals";

export default [
  js.configs.recommended,
  {
    files: ["**/*.mjs"],
    languageOptions: { ecmaVersion: "latest", sourceType: "module", globals: globals.node },
  },
  // The tests and timers hand functions to the browser to run in the page.
  {
    files: ["tests/**/*.mjs", "bench/**/*.mjs"],
    languageOptions: { globals: { ...globals.node, ...globals.browser } },
  },
  // The page's modules, which esbuild bundles.
  {
    files: ["web/*.js"],
    languageOptions: { ecmaVersion: "latest", sourceType: "module", globals: globals.browser },
  },
  { ignores: ["build*/", "node_modules/", "bench/out/"] },
];
