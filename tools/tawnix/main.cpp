#include "tools/tawnix/tawnix.h"

int main(int argc, char** argv)
{
    return run_tawnix(argc, argv);
}
