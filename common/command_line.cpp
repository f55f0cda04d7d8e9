#include "command_line.h"

#include "console.h"

int take_option_file_name(int argc, char** argv, int index, std::string& setting)
{
    if (index + 1 >= argc) {
        console_printf("ERROR: オプション%sの後にファイル名がありません\n", argv[index]);
        return -1;
    }
    setting = argv[index + 1];
    return index + 1;
}
