#include "tools/u7kit/u7kit.h"

int main(int argc, char** argv)
{
    return run_u7kit(argc, argv);
}
