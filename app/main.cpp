#include "app/shell/KestrivaneApplication.h"

int main(int argc, char **argv)
{
    return kestrivane::KestrivaneApplication::main(argc, argv);
}
