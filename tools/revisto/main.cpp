#include "tools/revisto/revisto.h"

#include "common/file_utils.h"

int main(int argc, char** argv)
{
    ignore_file_size_signal();
    return run_revisto(argc, argv);
}
