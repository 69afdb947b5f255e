// genimages DIR: writes the 8 MB benchmark image as DIR/image.hex and DIR/image.s.
#include "imagegen.h"

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    auto img = qmrbench::imageBytes(0x800000);
    bool ok = qmrbench::writeFile(dir + "/image.hex", qmrbench::intelHex(img)) &&
              qmrbench::writeFile(dir + "/image.s", qmrbench::sRecords(img));
    return ok ? 0 : 1;
}
