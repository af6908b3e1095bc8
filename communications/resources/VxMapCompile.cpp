// Build step: turns a key-map or character-set text file into the binary form the program carries
// as a resource.
//   VxMapCompile keymap|charset <text file> <binary file>
#include "communications/VXTrmMap.h"

#include "platform/rtl/Exceptions.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: VxMapCompile keymap|charset <text file> <binary file>\n");
        return 2;
    }
    const std::string kind = argv[1];
    try {
        if (kind == "keymap") {
            TVxKeyboardMapping map;
            map.LoadFromFile(argv[2]);
            map.StoreToBinFile(argv[3]);
        } else if (kind == "charset") {
            TVxCharSetMapping map;
            map.LoadFromFile(argv[2]);
            map.StoreToBinFile(argv[3]);
        } else {
            std::fprintf(stderr, "VxMapCompile: unknown kind %s\n", argv[1]);
            return 2;
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "VxMapCompile: %s\n", e.what());
        return 1;
    }
    return 0;
}
