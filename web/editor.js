// The editor of the page shown: CodeMirror, which lays out only the lines
// in view, so that a key costs as little in a page of a million lines as
// in one of ten. It has line numbers and undo, and marks each word the
// program said it does not support. Its code loads after the first frame.
import { defaultKeymap, history, historyKeymap } from "@codemirror/commands";
import { Compartment, EditorState, RangeSetBuilder, StateEffect } from "@codemirror/state";
import {
  Decoration, EditorView, ViewPlugin, drawSelection, highlightActiveLine, keymap,
  lineNumbers, placeholder,
} from "@codemirror/view";

// It holds text, so a page that is not UTF-8 is not put in it: its bytes
// would come back changed. A byte order mark stays the text's, and so the
// page's.
const utf8 = new TextDecoder("utf-8", { fatal: true, ignoreBOM: true });

// A token, as the program reads one: what lies between white space. A
// token that begins with % ends the line's tokens, and so does a NUL.
const token = /[^ \t\n\v\f\r]+/g;
const unsupportedMark = Decoration.mark({ class: "cm-unsupported",
  attributes: { title: "The viewer does not support this word" } });
const marksChanged = StateEffect.define();

function marksOf(view, words) {
  const builder = new RangeSetBuilder();
  let lastLine = 0;
  for (const { from, to } of view.visibleRanges) {
    for (let at = from; at <= to;) {
      const line = view.state.doc.lineAt(at);
      at = line.to + 1;
      if (line.number <= lastLine) continue;
      lastLine = line.number;
      const nul = line.text.indexOf("\0");
      const text = nul < 0 ? line.text : line.text.slice(0, nul);
      for (const { 0: word, index } of text.matchAll(token)) {
        if (word[0] === "%" || line.from + index > to) break;
        if (words.has(word)) {
          builder.add(line.from + index, line.from + index + word.length, unsupportedMark);
        }
      }
    }
  }
  return builder.finish();
}

// Edits are handed to onEdit with the text they leave; words is the set of
// words to mark.
export function createEditor(parent, { onEdit, words }) {
  const editing = new Compartment();
  const marks = ViewPlugin.fromClass(class {
    constructor(view) { this.decorations = marksOf(view, words); }
    update(update) {
      if (update.docChanged || update.viewportChanged ||
          update.transactions.some((t) => t.effects.some((e) => e.is(marksChanged)))) {
        this.decorations = marksOf(update.view, words);
      }
    }
  }, { decorations: (plugin) => plugin.decorations });
  const extensions = (text, why) => [
    lineNumbers(), history(), drawSelection(), highlightActiveLine(),
    keymap.of([...defaultKeymap, ...historyKeymap]), marks,
    editing.of([EditorView.editable.of(text !== null), EditorState.readOnly.of(text === null),
      placeholder(why)]),
    EditorView.contentAttributes.of({ id: "source", "aria-label": "The page's text",
      spellcheck: "false" }),
    EditorView.updateListener.of((update) => {
      if (update.docChanged) onEdit(update.state.doc);
    }),
  ];
  const view = new EditorView({ parent, state: EditorState.create({ extensions: extensions(
    null, "The text of the page shown is edited here.") }) });
  // Scripts that drive the page read the editor as they read a text area.
  Object.defineProperties(view.contentDOM, {
    value: { get: () => view.state.doc.toString() },
    disabled: { get: () => view.state.readOnly },
  });
  return {
    // Shows a page's bytes, as text where they are UTF-8.
    show(bytes) {
      let text = null;
      try {
        text = utf8.decode(bytes);
      } catch {
        // Said in the editor.
      }
      view.setState(EditorState.create({ doc: text ?? "", extensions: extensions(text,
        "This page is not UTF-8 text: it is shown, but not edited here, " +
        "so that its bytes stay as they are.") }));
    },
    // No page is shown: what the editor holds is not edited.
    disable() {
      view.dispatch({ effects: editing.reconfigure([EditorView.editable.of(false),
        EditorState.readOnly.of(true)]) });
    },
    marksChanged() { view.dispatch({ effects: marksChanged.of(null) }); },
  };
}
