// Command-line helpers shared by the programs.
#pragma once

#include <string>

// Takes the file name that follows the option at argv[index]: stores
// argv[index + 1], whatever it begins with, in setting and returns index + 1
// so that parsing goes on after it.  Without a next argument it prints
// "ERROR: オプション<option>の後にファイル名がありません" and returns -1; the
// caller then ends the program with status 1.
int take_option_file_name(int argc, char** argv, int index, std::string& setting);
