#include "tools/oxleth/oxleth.h"

int main(int argc, char** argv)
{
    return run_oxleth(argc, argv);
}
