// sibrel_bmp: replaces the seven subtitle images of the game's
// introduction, held as frame 0 of seven shapes in ENDSHAPE.FLX, with
// images drawn in BMP files, and writes the archive to a new file
// (endshape.flx.new).  The frames are built by the subtitle module
// (subtitle/subtitle_frames.h).
#pragma once

// The whole program: command line, load, frames, write.  Returns the exit
// status.
int run_sibrel_bmp(int argc, char** argv);
