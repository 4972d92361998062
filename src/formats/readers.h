#pragma once
// Every picture reader the registry names. Each is defined in its own file
// (bmpreader.cpp, pngreader.cpp, ...), next to its content check and decoder.
#include "formats/picturereader.h"

namespace quenvar {

const TPictureReader& BmpReader();       // bmp, rle, dib
const TPictureReader& IcoReader();       // ico
const TPictureReader& MetafileReader();  // wmf, emf
const TPictureReader& JpegReader();      // jfif, jpg, jpe, jpeg
const TPictureReader& TgaReader();       // win, vst, vda, tga, icb
const TPictureReader& TiffReader();      // tiff, tif, fax
const TPictureReader& EpsReader();       // eps
const TPictureReader& PcxReader();       // pcx, pcc, scr
const TPictureReader& RlaReader();       // rpf, rla
const TPictureReader& SgiReader();       // sgi, rgba, rgb, bw
const TPictureReader& PnmReader();       // ppm, pgm, pbm
const TPictureReader& AutodeskReader();  // cel, pic
const TPictureReader& PcdReader();       // pcd
const TPictureReader& CutReader();       // cut
const TPictureReader& PspReader();       // psp
const TPictureReader& PngReader();       // png

}  // namespace quenvar
