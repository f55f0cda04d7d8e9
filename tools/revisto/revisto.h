// revisto: converts a Japanese translation table of the game's conversation
// texts (usecode.ja.txt) from the old three-field format (id, label, text)
// to the four-field format (id, label, type, text), taking each line's type
// from the English table (usecode.en.txt) by function id and label.
#pragma once

// The whole program: command line, load, convert.  Returns the exit status.
int run_revisto(int argc, char** argv);
