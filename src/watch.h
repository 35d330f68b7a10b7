// Keeps the window in step with its file. A compositing desktop keeps a
// window's last picture and shows it again when the window is uncovered,
// without asking the program to draw: a page saved in an editor would stay
// stale until the window is resized. So a timer looks at the file's status
// a few times a second, and asks for a redraw when it is not the one the
// last pass read.
#pragma once

// How often the file is looked at, in milliseconds: a save shows within a
// fifth of a second, and the looks cost nothing measurable.
const unsigned watchInterval = 200;

// Notes the file's status as the pass about to read it finds it. The
// redraw pass calls it before it opens the file, so that a save made while
// the pass reads is seen at the next look.
void noteFileShown();

// The timer callback (its value is unused): asks for a redraw when the file's
// status differs from the one the last pass noted, then looks again after
// watchInterval. A file that is missing, as it is for a moment while some
// editors save, is waited for: it is drawn when it is back.
void watchFile(int value);
