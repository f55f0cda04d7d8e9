#include "tools/revisto/revisto.h"

int main(int argc, char** argv)
{
    return run_revisto(argc, argv);
}
