// tawnix: exports the English subtitle lines of the introduction and the
// ending (two text entries of MAINSHP.FLX) to a tab-separated table
// (bg_text.en.txt), reads the translated table (bg_text.ja.txt), converts
// it to the game's code bytes through the character map and writes a new
// archive (mainshp.flx.new).
#pragma once

// The whole program: command line, load, export, conversion.  Returns the
// exit status (-1 when the data file cannot be used).
int run_tawnix(int argc, char** argv);
