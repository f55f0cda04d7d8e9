#include "tools/sibrel_bmp/sibrel_bmp.h"

#include "common/file_utils.h"

int main(int argc, char** argv)
{
    ignore_file_size_signal();
    return run_sibrel_bmp(argc, argv);
}
