// glimmet: dumps the game's font file (a FLEX archive of font shapes) to a
// readable text file, and lists each font's colours on the console.  The
// dump is the font module's (fonts/font_dump.h).
#pragma once

// The whole program: command line, load, dump.  Returns the exit status.
int run_glimmet(int argc, char** argv);
