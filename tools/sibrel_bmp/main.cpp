#include "tools/sibrel_bmp/sibrel_bmp.h"

int main(int argc, char** argv)
{
    return run_sibrel_bmp(argc, argv);
}
