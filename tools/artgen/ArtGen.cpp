// ArtGen: writes every picture and model of the game into one directory.
//
//   cubatro_artgen <directory>
//
// Upon exit, below <directory>: Gfx/Marbre2.bmp, Gfx/Shine0.bw .. Gfx/Shine9.bw, cle.obj with
// cle.mtl, icons/cubatro32.xpm, cubatro16.xpm, document32.xpm, document16.xpm, and
// icons/cubatro16.png .. cubatro256.png (16, 32, 48, 64, 128, 256 pixels). The output depends
// on nothing but this program: two runs give the same bytes. Exit status 0 on success, 1 (with
// a line on standard error) when something cannot be written.
#include "tools/artgen/ArtWriter.h"  // CArtWriter does the work

#include <cstdio>  // std::fprintf for usage and failures

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    CArtWriter writer(argv[1]);
    if (!writer.WriteAll())
    {
        std::fprintf(stderr, "cubatro_artgen: %s\n", writer.GetError().c_str());
        return 1;
    }
    return 0;
}
