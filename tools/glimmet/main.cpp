#include "tools/glimmet/glimmet.h"

int main(int argc, char** argv)
{
    return run_glimmet(argc, argv);
}
