// oxleth: replaces the texts of the engine's message file (exultmsg.txt)
// with translations from a tab-separated file (exultmsg.ja.txt), converted
// to the game's code bytes through the character map, and writes a new
// message file (exultmsg.txt.new).
#pragma once

// The whole program: command line, inputs, conversion, output.  Returns
// the exit status.
int run_oxleth(int argc, char** argv);
