#include "tools/u7kit/u7kit.h"

#include "common/file_utils.h"

int main(int argc, char** argv)
{
    ignore_file_size_signal();
    return run_u7kit(argc, argv);
}
